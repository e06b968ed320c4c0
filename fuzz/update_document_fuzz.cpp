// Update documents, through the whole parsing-script update against a local
// update server that serves the input as the description ("$SERVER" in it
// stands for the server's address, so script files can be fetched) and any
// other path as a small script file. Whatever the document says: nothing
// outside the application folder changes (a link in it leads out), the
// stored version rises only with an installed set and stays otherwise, the
// wait cursor is balanced, and every outcome is told in the pane.
//
// The update has no reader of its own to call: the document is read inside
// runScriptUpdate, so the target drives the whole flow.
#include "fuzz_support.h"
#include "support/local_http_server.h"
#include "support/recording_flow_ui.h"

#include "app/settings_store.h"
#include "net/http_fetcher.h"
#include "watch/clock.h"
#include "watch/flow_context.h"
#include "watch/script_catalogue.h"
#include "watch/script_update.h"

#include <mutex>

using namespace zelvon;
using fuzz::require;
namespace fs = std::filesystem;

namespace {

struct Setup {
    std::mutex mutex;
    std::string description;
    test::LocalHttpServer server;
    fuzz::ScratchFolder scratch;
    fs::path app = scratch.path() / "app";
    fs::path outside = scratch.path() / "outside";
    fs::path config = scratch.path() / "config";
    SettingsStore settings{config.string()};
    ScriptCatalogue catalogue;
    FixedClock clock{TimePoint{}};
    std::string outsideSnapshot;

    Setup() {
        HttpFetcher::globalInit();
        server.server().Get("/(.*)", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard<std::mutex> lock(mutex);
            response.set_content(request.matches[1] == "info.xml" ? description : "script " + request.path.substr(0, 64),
                                 "text/plain");
        });
        server.start();
        fs::create_directories(app / "cache");
        fs::create_directories(app / "scripts");
        fuzz::writeFile(outside / "secret.nrt", "outside");
        fs::create_directory_symlink(outside, app / "out");
        settings.bind(u"Tervane", u"Zelvon");
        settings.writeString(u"Settings", u"AutoCheckUrl", fromUtf8(server.url("/info.xml")));
        outsideSnapshot = fuzz::snapshot(outside);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup s;
    std::string document(fuzz::bytesOf(data, size));
    const std::string base = s.server.url("");
    for (size_t at = document.find("$SERVER"); at != std::string::npos; at = document.find("$SERVER", at + base.size()))
        document.replace(at, 7, base);
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.description = document;
    }
    fuzz::ScratchFolder::clearExcept(s.app, {"cache", "scripts", "out"});
    fuzz::ScratchFolder::clearExcept(s.app / "cache", {});
    fuzz::ScratchFolder::clearExcept(s.app / "scripts", {});
    s.settings.writeInt(u"Settings", u"AutoCheckVersion", 1);

    test::RecordingFlowUi ui;
    const FlowContext context{fromUtf8(s.app.string()), s.catalogue, ProxySettings{}, s.clock, s.settings, ui};
    const ScriptUpdateOutcome outcome = runScriptUpdate(context);
    const int32_t stored = s.settings.readInt(u"Settings", u"AutoCheckVersion", -1);

    require(fuzz::snapshot(s.outside) == s.outsideSnapshot, "nothing outside the folder changes", document);
    if (outcome == ScriptUpdateOutcome::Installed)
        require(stored > 1, "an installed set raises the version", document);
    else
        require(stored == 1, "the version stays unless a set is installed", document);
    require(ui.waitDepth == 0 && ui.waitsBegun == 1, "the wait cursor is balanced", document);
    require(!ui.paneTexts.empty() && ui.paneTexts.back() != ui.paneTexts.front(), "the pane tells the outcome",
            document);
    return 0;
}
