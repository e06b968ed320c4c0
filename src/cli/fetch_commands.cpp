// `zelvon-cli fetch`: one download through the same fetcher every flow of
// the program uses, for checking a network set-up by hand or from a script.

#include "cli/command.h"
#include "cli/terminal_flow_ui.h"
#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "watch/proxy_settings.h"

#include <optional>
#include <ostream>

namespace zelvon::cli {
namespace {

struct FetchArguments {
    std::string url;
    std::string destination;
    std::optional<std::string> proxy;
};

// URL and DEST in that order, with "--proxy HOST:PORT" (or
// "--proxy=HOST:PORT") before, between or after them, at most once.
std::optional<FetchArguments> parseFetchArguments(const std::vector<std::string>& args) {
    FetchArguments parsed;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        std::optional<std::string> proxy;
        if (word == "--proxy") {
            if (i + 1 >= args.size())
                return std::nullopt;
            proxy = args[++i];
        } else if (word.rfind("--proxy=", 0) == 0) {
            proxy = word.substr(8);
        } else if (word.rfind("--", 0) == 0) {
            return std::nullopt;
        } else {
            positional.push_back(word);
            continue;
        }
        if (parsed.proxy)
            return std::nullopt;
        parsed.proxy = proxy;
    }
    if (positional.size() != 2)
        return std::nullopt;
    parsed.url = positional[0];
    parsed.destination = positional[1];
    return parsed;
}

int fetchCommand(Context& context) {
    const auto parsed = parseFetchArguments(context.args);
    if (!parsed)
        return kExitUsage;
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

CommandRegistration reg("fetch", "URL DEST [--proxy HOST:PORT]", &fetchCommand,
                        "download one URL into a file through the program's fetcher");

} // namespace
} // namespace zelvon::cli
