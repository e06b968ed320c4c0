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
// Product pages the window's update check downloads side by side; 1 is the
// one-at-a-time check.
inline constexpr IntSettingKey kDownloadsAtOnceKey{u"Prefs", u"DownloadsAtOnce", 1, 1, 8};

// The main window ("WindowDefaults"). SplitterPos is the upper pane's
// height in pixels and is taken as stored, however large; ViewOnBottom 1
// puts the tree above the page. The window's normal place and size follow,
// in screen pixels: a width or height of 0 means never stored, and the
// window opens at a size taken from the screen; WindowMaximized is 1 when
// it was maximised as it closed.
inline constexpr std::u16string_view kWindowSection = u"WindowDefaults";
inline constexpr IntSettingKey kSplitterPosKey{kWindowSection, u"SplitterPos", 100, INT32_MIN, INT32_MAX};
inline constexpr IntSettingKey kViewOnBottomKey{kWindowSection, u"ViewOnBottom", 0, INT32_MIN, INT32_MAX};
inline constexpr IntSettingKey kWindowXKey{kWindowSection, u"WindowX", 0, -1000000, 1000000};
inline constexpr IntSettingKey kWindowYKey{kWindowSection, u"WindowY", 0, -1000000, 1000000};
inline constexpr IntSettingKey kWindowWidthKey{kWindowSection, u"WindowWidth", 0, 0, 1000000};
inline constexpr IntSettingKey kWindowHeightKey{kWindowSection, u"WindowHeight", 0, 0, 1000000};
inline constexpr IntSettingKey kWindowMaximizedKey{kWindowSection, u"WindowMaximized", 0, 0, 1};

inline int32_t readSetting(const SettingsStore& settings, const IntSettingKey& key) {
    const int32_t value = settings.readInt(key.section, key.key, key.defaultValue);
    return value < key.minimum || value > key.maximum ? key.defaultValue : value;
}

inline void writeSetting(const SettingsStore& settings, const IntSettingKey& key, int32_t value) {
    settings.writeInt(key.section, key.key, value);
}

} // namespace zelvon
