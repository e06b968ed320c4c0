#pragma once
// The settings the program added beside the described ones, each with its
// section, key, default and the range a stored value is held to, so no
// caller reads one without its default or trusts a hand-edited value.

#include "app/settings_store.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace zelvon {

struct IntSettingKey {
    std::u16string_view section;
    std::u16string_view key;
    int32_t defaultValue;
    int32_t minimum;
    int32_t maximum;
};

// Product downloads the window's update check runs side by side; 1 is the
// one-at-a-time check.
inline constexpr IntSettingKey kDownloadsAtOnceKey{u"Prefs", u"DownloadsAtOnce", 1, 1, 8};

// The stored value held to the key's range; the default when none is stored.
inline int32_t readSetting(const SettingsStore& settings, const IntSettingKey& key) {
    return std::clamp(settings.readInt(key.section, key.key, key.defaultValue), key.minimum, key.maximum);
}

inline void writeSetting(const SettingsStore& settings, const IntSettingKey& key, int32_t value) {
    settings.writeInt(key.section, key.key, std::clamp(value, key.minimum, key.maximum));
}

} // namespace zelvon
