#pragma once
// Which proxy access a download uses, decided from the caller's proxy flag
// and PlatformGeneration alone, so the rule can be checked without a network.

#include <vector>

namespace zelvon::net {

enum class ProxyAccess {
    Configured, // the environment's proxy variables, as libcurl reads them
    Direct,     // no proxy, even where the environment names one
    Explicit,   // the caller's "host:port"
};

struct AccessPlan {
    // Tried in order until a handle can be set up for one of them.
    std::vector<ProxyAccess> handleAccess;
    // A request that could not be opened (no response at all) is tried once
    // more, directly.
    bool retryDirectly = false;
};

AccessPlan planAccess(int useProxy, int platformGeneration);

} // namespace zelvon::net
