// zelvon-demo-store: the Wareloft demo store on 127.0.0.1. It runs until it
// receives SIGINT or SIGTERM.

#include "demo_store.h"
#include "store_options.h"

#include <csignal>
#include <filesystem>
#include <iostream>
#include <pthread.h>

#ifndef ZELVON_DEMO_APPDATA_DIR
#define ZELVON_DEMO_APPDATA_DIR "appdata"
#endif

namespace {

// An installed store hands out the installed script set (../share/zelvon
// beside its folder); from the build folder, the source tree's.
std::string defaultAppDataDir() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto installed = (program.parent_path() / ".." / "share" / "zelvon").lexically_normal();
        if (std::filesystem::is_directory(installed, error))
            return installed.string();
    }
    return ZELVON_DEMO_APPDATA_DIR;
}

} // namespace

int main(int argc, char** argv) {
    using namespace zelvon::demo;
    const ParsedOptions parsed = parseStoreOptions(std::vector<std::string>(argv + 1, argv + argc), defaultAppDataDir());
    if (parsed.showHelp) {
        std::cout << storeUsage();
        return 0;
    }
    if (!parsed.error.empty()) {
        std::cerr << "zelvon-demo-store: " << parsed.error << '\n' << storeUsage();
        return 64;
    }

    // Block the stop signals before any server thread exists, so they all
    // inherit the mask and the signals reach the sigwait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    DemoStore store(parsed.options);
    if (!store.start()) {
        std::cerr << "zelvon-demo-store: cannot listen on 127.0.0.1:" << parsed.options.port
                  << " (is another program using that port?)\n";
        return 1;
    }
    std::cout << "listening on 127.0.0.1:" << store.port() << std::endl;

    int received = 0;
    sigwait(&stopSignals, &received);
    store.stop();
    return 0;
}
