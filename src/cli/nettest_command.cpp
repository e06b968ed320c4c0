// `zelvon-cli nettest [URL] [--proxy HOST:PORT]`: the connection test of the
// Network Connection dialog, with the stored settings or the values given.

#include "cli/app_folder_guard.h"
#include "cli/command.h"

#include <CLI/CLI.hpp>
#include "cli/terminal_flow_ui.h"
#include "foundation/text_codec.h"
#include "watch/app_folder_lock.h"
#include "watch/connection_test.h"
#include "watch/proxy_settings.h"

#include <iostream>
#include <optional>

namespace zelvon::cli {
namespace {

struct NettestArguments {
    std::optional<std::string> url;
    std::optional<std::string> proxy;
};

NettestArguments nettestArgs;
std::string nettestUrl;
std::string nettestProxy;
const CLI::Option* nettestUrlOption = nullptr;
const CLI::Option* nettestProxyOption = nullptr;

void declareNettest(CLI::App& command) {
    nettestUrlOption = command.add_option("URL", nettestUrl, "the page to download (default: the maker's site)");
    nettestProxyOption =
        command.add_option("--proxy", nettestProxy, "through this proxy (default: the stored one)")->type_name("HOST:PORT");
}

int nettestCommand(Context& context) {
    if (nettestUrlOption->count() > 0)
        nettestArgs.url = nettestUrl;
    if (nettestProxyOption->count() > 0)
        nettestArgs.proxy = nettestProxy;
    const NettestArguments* parsed = &nettestArgs;

    // The stored values as the dialog would open with them; then the
    // proxy by the rule every download follows, unless one is given.
    NetworkValues values = loadNetworkValues(context.settings);
    if (parsed->url)
        values.testUrl = fromUtf8(*parsed->url);
    if (parsed->proxy) {
        const std::u16string proxy = fromUtf8(*parsed->proxy);
        const size_t colon = proxy.rfind(u':');
        values.address = proxy.substr(0, colon);
        values.port = colon == std::u16string::npos ? std::u16string() : proxy.substr(colon + 1);
        values.useProxyChecked = true;
    } else {
        const ProxySettings stored = ProxySettings::fromSettings(context.settings);
        values.useProxyChecked = stored.useProxy != 0;
        values.address = stored.address;
        values.port = stored.port;
    }

    AppFolderLock lock;
    if (const int locked = lockAppFolder(context, lock))
        return locked;
    TerminalFlowUi ui(std::cin, context.out, context.err, false);
    return runConnectionTest(values, context.appFolder, ui, ProxySettings::fromSettings(context.settings).fetchOptions()) ? 0
                                                                                                                    : kExitFailed;
}

CommandRegistration registration("nettest", "test the network connection by downloading one page",
                                 &declareNettest, &nettestCommand);

} // namespace
} // namespace zelvon::cli
