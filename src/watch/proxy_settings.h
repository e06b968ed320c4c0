#pragma once
// The proxy every store download passes on, by the rule all flows share:
// "Settings"/"UseProxy" counts only when "Settings"/"ProxyAddress" is not
// empty, so a half-configured proxy never breaks downloads. The settings'
// time limit of one whole download travels with it.

#include "net/http_fetcher.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zelvon {

class SettingsStore;

struct ProxySettings {
    int32_t useProxy = 0;
    std::u16string address;
    std::u16string port;
    // "Network"/"DownloadTimeLimit" and "Network"/"StallLimit".
    std::chrono::milliseconds timeLimit = kDefaultDownloadTimeLimit;
    std::chrono::milliseconds stallLimit = FetchOptions{}.stallLimit;

    static ProxySettings fromSettings(const SettingsStore& settings);

    // The fetcher's options for a download with these settings.
    FetchOptions fetchOptions(std::shared_ptr<std::atomic<bool>> abort = nullptr) const {
        FetchOptions options;
        options.timeLimit = timeLimit;
        options.stallLimit = stallLimit;
        options.abort = std::move(abort);
        return options;
    }
};

// Gives an engine object (a Transformer or an ExtractionRunner) the proxy,
// the time limit and the work file every download uses, and the flag that
// aborts its downloads (none when null).
template <class Engine>
void configureDownload(Engine& engine, const ProxySettings& proxy, std::u16string_view workspacePath,
                       std::shared_ptr<std::atomic<bool>> abort = nullptr) {
    engine.setUseProxy(proxy.useProxy);
    engine.setProxy(proxy.address, proxy.port);
    engine.setWorkspacePath(workspacePath);
    engine.setFetchOptions(proxy.fetchOptions(std::move(abort)));
}

} // namespace zelvon
