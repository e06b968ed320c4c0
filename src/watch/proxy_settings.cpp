#include "watch/proxy_settings.h"

#include "app/settings_keys.h"
#include "app/settings_store.h"

namespace zelvon {

ProxySettings ProxySettings::fromSettings(const SettingsStore& settings) {
    ProxySettings proxy;
    proxy.address = settings.readString(u"Settings", u"ProxyAddress", u"");
    proxy.port = settings.readString(u"Settings", u"ProxyPort", u"");
    proxy.useProxy = proxy.address.empty() ? 0 : settings.readInt(u"Settings", u"UseProxy", 0);
    proxy.timeLimit = std::chrono::seconds(readSetting(settings, kDownloadTimeLimitKey));
    proxy.stallLimit = std::chrono::seconds(readSetting(settings, kStallLimitKey));
    return proxy;
}

} // namespace zelvon
