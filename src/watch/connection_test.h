#pragma once
// The network settings as the Network Connection dialog edits them, and its
// connection test. The test uses the values as typed, so an edit can be
// tried before it is stored.

#include "net/http_fetcher.h"

#include <string>
#include <string_view>

namespace zelvon {

class FlowUi;
class SettingsStore;

struct NetworkValues {
    bool useProxyChecked = false;
    std::u16string address;
    std::u16string port;
    std::u16string testUrl;
};

// The dialog's opening values: the box is checked exactly when UseProxy is 1;
// the test address defaults to the maker's web site.
NetworkValues loadNetworkValues(const SettingsStore& settings);

// The dialog's closing steps, in their order. An empty address always
// stores UseProxy 0, whatever the box says.
void storeNetworkValues(const NetworkValues& values, const SettingsStore& settings);

// Downloads `values.testUrl` to appFolder + "/cache/nettest.htm" with the
// typed proxy values (an empty address means no proxy) and reports
// "Success" or "Failure" (with its cause) through `ui`. With a proxy the
// download goes through that proxy only: no direct retry. Stores nothing.
bool runConnectionTest(const NetworkValues& values, std::u16string_view appFolder, FlowUi& ui,
                       const FetchOptions& fetchOptions = {});

} // namespace zelvon
