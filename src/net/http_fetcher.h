#pragma once
// The only way the program reaches the network: download one URL completely
// and store its body in a file. libcurl stays behind this header.

#include "foundation/failure.h"
#include "net/transfer.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace zelvon {

// A whole download may take this long unless the caller says otherwise.
inline constexpr std::chrono::milliseconds kDefaultDownloadTimeLimit{60000};

struct FetchOptions {
    // The whole download, every attempt together, fails after this long.
    // Zero: no limit (the stall limit still applies).
    std::chrono::milliseconds timeLimit = kDefaultDownloadTimeLimit;
    // An attempt that receives nothing for this long fails as stalled.
    std::chrono::milliseconds stallLimit = net::TransferLimits{}.stallTimeout;
    // Set to stop a running download within about a second.
    std::shared_ptr<std::atomic<bool>> abort;
    // Try a request that got no response once more directly, as every
    // ordinary download does; off where the caller tests one route only.
    bool retryDirectly = true;
};

struct FetchResult {
    bool ok = false;
    Failure failure; // why it failed; kind None after success
    explicit operator bool() const { return ok; }
};

class HttpFetcher {
public:
    // Call once at start-up before any thread fetches (initialises libcurl).
    static void globalInit();

    // Works out PlatformGeneration (2 on a desktop system) and returns
    // whether it is non-zero.
    static bool platformCheck();
    static int platformGeneration();

    // Succeeds when a response with status 200 (or with none) was read whole
    // and its body written to `destPath`. `useProxy` non-zero sends the
    // request through `proxy` ("host:port"); otherwise the environment's
    // proxy settings apply, then a direct connection. On any failure
    // `destPath` is left exactly as it was and the result says why.
    static FetchResult fetchToFile(const std::u16string& url, const std::u16string& destPath, int useProxy,
                                   const std::u16string& proxy, const FetchOptions& options = {});
};

} // namespace zelvon
