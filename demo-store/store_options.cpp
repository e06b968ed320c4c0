#include "store_options.h"

#include <charconv>

namespace zelvon::demo {
namespace {

bool parseNumber(const std::string& text, int low, int high, int& value) {
    int parsed = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
    if (text.empty() || ec != std::errc() || ptr != end || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

} // namespace

const char* storeUsage() {
    return "usage: zelvon-demo-store [--port N] [--latency MS] [--appdata DIR] [--log]\n"
           "  --port N       listen on 127.0.0.1:N (0 picks a free port; default 47815)\n"
           "  --latency MS   wait MS milliseconds before every response (requests wait side by side)\n"
           "  --appdata DIR  application data the update server hands out\n"
           "  --log          print every request to standard error\n"
           "While it runs (from this machine only):\n"
           "  curl -d '' 'http://127.0.0.1:PORT/admin/publish?id=ID[&version=V]'\n"
           "                 publishes a new version of a product (V defaults to the next one)\n"
           "  curl http://127.0.0.1:PORT/admin/products.tsv\n"
           "                 lists every product: ID, version and name\n";
}

ParsedOptions parseStoreOptions(const std::vector<std::string>& args, const std::string& defaultAppDataDir) {
    ParsedOptions parsed;
    parsed.options.appDataDir = defaultAppDataDir;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            parsed.showHelp = true;
        } else if (arg == "--log") {
            parsed.options.logRequests = true;
        } else if (arg == "--port" && hasValue) {
            if (!parseNumber(args[++i], 0, 65535, parsed.options.port))
                parsed.error = "--port wants a number from 0 to 65535, not \"" + args[i] + "\"";
        } else if (arg == "--latency" && hasValue) {
            if (!parseNumber(args[++i], 0, 600000, parsed.options.latencyMs))
                parsed.error = "--latency wants milliseconds from 0 to 600000, not \"" + args[i] + "\"";
        } else if (arg == "--appdata" && hasValue) {
            parsed.options.appDataDir = args[++i];
        } else {
            parsed.error = "unknown or incomplete option \"" + arg + "\"";
        }
        if (!parsed.error.empty())
            break;
    }
    return parsed;
}

} // namespace zelvon::demo
