// `zelvon-cli fetch`: one download through the same fetcher every flow of
// the program uses, for checking a network set-up by hand or from a script.

#include "cli/command.h"
#include "cli/terminal_flow_ui.h"
#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "watch/proxy_settings.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <ostream>

namespace zelvon::cli {
namespace {

struct FetchArguments {
    std::string url;
    std::string destination;
    std::optional<std::string> proxy;
};

FetchArguments fetchArgs;
std::string fetchProxy;
const CLI::Option* fetchProxyOption = nullptr;

void declareFetch(CLI::App& command) {
    command.add_option("URL", fetchArgs.url, "what to download")->required();
    command.add_option("DEST", fetchArgs.destination, "the file it goes to")->required();
    fetchProxyOption = command.add_option("--proxy", fetchProxy, "through this proxy")->type_name("HOST:PORT");
}

int fetchCommand(Context& context) {
    if (fetchProxyOption->count() > 0)
        fetchArgs.proxy = fetchProxy;
    const FetchArguments* parsed = &fetchArgs;
    // Without --proxy the text is what callers build from empty settings.
    const int useProxy = parsed->proxy ? 1 : 0;
    const std::u16string proxy = parsed->proxy ? fromUtf8(*parsed->proxy) : u":";
    // The settings' time limit holds here too, so a trickling server cannot
    // keep a script waiting for ever.
    const FetchOptions options = ProxySettings::fromSettings(context.settings).fetchOptions();
    const FetchResult fetched =
        HttpFetcher::fetchToFile(fromUtf8(parsed->url), fromUtf8(parsed->destination), useProxy, proxy, options);
    if (!fetched) {
        context.err << "zelvon-cli: could not download " << parsed->url << '\n' << causeLine(fetched.failure) << '\n';
        return 1;
    }
    return 0;
}

CommandRegistration reg("fetch", "download one URL into a file through the program's fetcher", &declareFetch,
                        &fetchCommand);

} // namespace
} // namespace zelvon::cli
