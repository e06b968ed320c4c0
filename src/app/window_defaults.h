#pragma once
// The "WindowDefaults" section of the settings: the divider and pane order
// of the main window, and, on the desktop, the window's place, size and
// maximised state, each with the default every read names.

#include <cstdint>
#include <string_view>

namespace zelvon::window_defaults {

struct IntKey {
    std::u16string_view name;
    int32_t defaultValue;
};

inline constexpr std::u16string_view kSection = u"WindowDefaults";
// Height in pixels of the upper pane; never stored means the first run.
inline constexpr IntKey kSplitterPos{u"SplitterPos", 100};
// 1: tree above, HTML pane below; 0: HTML pane above, tree below.
inline constexpr IntKey kViewOnBottom{u"ViewOnBottom", 0};
// The window's normal (not maximised) place and size, in screen pixels; a
// width or height of 0 means never stored, and the window opens at a size
// taken from the screen.
inline constexpr IntKey kWindowX{u"WindowX", 0};
inline constexpr IntKey kWindowY{u"WindowY", 0};
inline constexpr IntKey kWindowWidth{u"WindowWidth", 0};
inline constexpr IntKey kWindowHeight{u"WindowHeight", 0};
// 1 when the window was maximised as it closed.
inline constexpr IntKey kWindowMaximized{u"WindowMaximized", 0};

} // namespace zelvon::window_defaults
