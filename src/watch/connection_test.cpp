#include "watch/connection_test.h"

#include "app/default_addresses.h"
#include "app/settings_store.h"
#include "net/http_fetcher.h"
#include "watch/app_paths.h"
#include "watch/flow_ui.h"

namespace zelvon {

NetworkValues loadNetworkValues(const SettingsStore& settings) {
    NetworkValues values;
    values.useProxyChecked = settings.readInt(u"Settings", u"UseProxy", 0) == 1;
    values.address = settings.readString(u"Settings", u"ProxyAddress", u"");
    values.port = settings.readString(u"Settings", u"ProxyPort", u"");
    values.testUrl = settings.readString(u"Settings", u"PXURLTest", kDefaultMakerSiteUrl);
    return values;
}

void storeNetworkValues(const NetworkValues& values, const SettingsStore& settings) {
    settings.writeInt(u"Settings", u"UseProxy", values.useProxyChecked ? 1 : 0);
    settings.writeString(u"Settings", u"ProxyAddress", values.address);
    // An empty address always switches the proxy off, whatever the box.
    if (values.address.empty())
        settings.writeInt(u"Settings", u"UseProxy", 0);
    settings.writeString(u"Settings", u"ProxyPort", values.port);
    settings.writeString(u"Settings", u"PXURLTest", values.testUrl);
}

bool runConnectionTest(const NetworkValues& values, std::u16string_view appFolder, FlowUi& ui, const FetchOptions& fetchOptions) {
    WaitCursorScope wait(ui);
    const bool useProxy = !values.address.empty() && values.useProxyChecked;
    // Built also when unused, as every download builds it.
    const std::u16string proxy = values.address + u":" + values.port;
    // The test tests the route it names: through the proxy only, without the
    // direct retry every other download makes, or a dead proxy would pass.
    FetchOptions options = fetchOptions;
    options.retryDirectly = !useProxy;
    const FetchResult fetched =
        HttpFetcher::fetchToFile(values.testUrl, appFile(appFolder, u"/cache/nettest.htm"), useProxy ? 1 : 0, proxy, options);
    if (fetched)
        ui.showMessage(u"Data has been downloaded from... " + values.testUrl, u"Success");
    else
        ui.showFailureMessage(u"Could not download data from... " + values.testUrl, u"Failure", fetched.failure);
    return fetched.ok;
}

} // namespace zelvon
