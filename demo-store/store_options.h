#pragma once
// Command-line options of zelvon-demo-store.

#include "demo_store.h"

#include <string>
#include <vector>

namespace zelvon::demo {

struct ParsedOptions {
    StoreOptions options;
    bool showHelp = false;
    std::string error; // not empty: the arguments were wrong
};

// `defaultAppDataDir` is used when --appdata is not given.
ParsedOptions parseStoreOptions(const std::vector<std::string>& args, const std::string& defaultAppDataDir);

const char* storeUsage();

} // namespace zelvon::demo
