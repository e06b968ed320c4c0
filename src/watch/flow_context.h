#pragma once
// What every synchronous flow (adding, the store lists, the script update,
// the connection test) works with: the application folder, the catalogue
// read at start-up, the proxy of the view, the clock, the settings and the
// front end that shows the flow to the user.

#include "watch/proxy_settings.h"

#include <string>

namespace zelvon {

class Clock;
class FlowUi;
class ScriptCatalogue;
class SettingsStore;

struct FlowContext {
    std::u16string appFolder;
    const ScriptCatalogue& catalogue;
    ProxySettings proxy;
    const Clock& clock;
    const SettingsStore& settings;
    FlowUi& ui;
};

} // namespace zelvon
