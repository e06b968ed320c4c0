#pragma once
// Settings read in more than one place, each with its one default, so no
// reader can pick a default of its own.

#include "app/settings_store.h"

#include <cstdint>
#include <string_view>

namespace zelvon {

struct IntSettingKey {
    std::u16string_view section;
    std::u16string_view key;
    int32_t defaultValue;
    // Values outside [minimum, maximum] read as the default.
    int32_t minimum;
    int32_t maximum;
};

// How many seconds one whole download may take, connecting included, before
// it fails as timed out: a server that sends a byte now and then cannot
// hold a check for ever. The stall limit below applies beside it.
inline constexpr IntSettingKey kDownloadTimeLimitKey{u"Network", u"DownloadTimeLimit", 60, 1, 86400};
// How many seconds a download may wait without receiving a single byte.
inline constexpr IntSettingKey kStallLimitKey{u"Network", u"StallLimit", 10, 1, 3600};

inline int32_t readSetting(const SettingsStore& settings, const IntSettingKey& key) {
    const int32_t value = settings.readInt(key.section, key.key, key.defaultValue);
    return value < key.minimum || value > key.maximum ? key.defaultValue : value;
}

} // namespace zelvon
