#pragma once
// The only way the program reaches the network: download one URL completely
// and store its body in a file. libcurl stays behind this header.

#include <string>

namespace zelvon {

class HttpFetcher {
public:
    // Call once at start-up before any thread fetches (initialises libcurl).
    static void globalInit();

    // Works out PlatformGeneration (2 on a desktop system) and returns
    // whether it is non-zero.
    static bool platformCheck();
    static int platformGeneration();

    // True when a response with status 200 (or with none) was read whole and
    // its body written to `destPath`. `useProxy` non-zero sends the request
    // through `proxy` ("host:port"); otherwise the environment's proxy
    // settings apply, then a direct connection. On any failure `destPath`
    // is left exactly as it was.
    static bool fetchToFile(const std::u16string& url, const std::u16string& destPath, int useProxy, const std::u16string& proxy);
};

} // namespace zelvon
