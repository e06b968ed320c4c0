#pragma once
// The proxy every store download passes on, by the rule all flows share:
// "Settings"/"UseProxy" counts only when "Settings"/"ProxyAddress" is not
// empty, so a half-configured proxy never breaks downloads.

#include <cstdint>
#include <string>

namespace zelvon {

class SettingsStore;

struct ProxySettings {
    int32_t useProxy = 0;
    std::u16string address;
    std::u16string port;

    static ProxySettings fromSettings(const SettingsStore& settings);
};

} // namespace zelvon
