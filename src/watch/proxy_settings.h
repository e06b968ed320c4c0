#pragma once
// The proxy every store download passes on, by the rule all flows share:
// "Settings"/"UseProxy" counts only when "Settings"/"ProxyAddress" is not
// empty, so a half-configured proxy never breaks downloads.

#include <cstdint>
#include <string>
#include <string_view>

namespace zelvon {

class SettingsStore;

struct ProxySettings {
    int32_t useProxy = 0;
    std::u16string address;
    std::u16string port;

    static ProxySettings fromSettings(const SettingsStore& settings);
};

// Gives an engine object (a Transformer or an ExtractionRunner) the proxy
// and the work file every download uses.
template <class Engine>
void configureDownload(Engine& engine, const ProxySettings& proxy, std::u16string_view workspacePath) {
    engine.setUseProxy(proxy.useProxy);
    engine.setProxy(proxy.address, proxy.port);
    engine.setWorkspacePath(workspacePath);
}

} // namespace zelvon
