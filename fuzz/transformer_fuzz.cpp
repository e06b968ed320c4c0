// Transformer files, plain or scrambled (the first byte chooses), run
// against a local server that serves the saved store page: a failed run
// says why, a successful one leaves its output file, nothing in the
// application folder but the output and the work file changes, nothing
// outside it changes, and an extraction script outside the data folder
// (reachable through a link in it) is never run.
#include "engine_folder.h"
#include "support/local_http_server.h"

#include "engine/scrambled_file.h"
#include "engine/transformer.h"
#include "net/http_fetcher.h"

using namespace zelvon;
using fuzz::require;
namespace fs = std::filesystem;

namespace {

struct Setup {
    test::LocalHttpServer server;
    fuzz::ScratchFolder scratch;
    fs::path app = scratch.path() / "app";
    fs::path outside = scratch.path() / "outside";
    std::string appSnapshot;
    std::string outsideSnapshot;

    Setup() {
        HttpFetcher::globalInit();
        const std::string page = fuzz::readFile(fs::path(ZELVON_APPDATA) / "web" / "whatsnew.htm");
        server.server().Get(".*", [page](const httplib::Request&, httplib::Response& response) {
            response.set_content(page, "text/html");
        });
        server.start();
        const std::string source = "<source url='" + server.url("/store/whatsnew") + "' cache='whatsnew.htm'/>";

        std::string shipped = fuzz::readFile(fs::path(ZELVON_APPDATA) / "data" / "whatsNew.xml");
        const size_t from = shipped.find("<source");
        require(from != std::string::npos, "the shipped What's New script names its page");
        shipped.replace(from, shipped.find("/>", from) + 2 - from, source);
        fuzz::writeFile(app / "data" / "whatsNew.xml", shipped);
        fuzz::writeFile(app / "data" / "title.xml",
                        "<extraction>" + source +
                            "<item action='[MoveTo]' token='&lt;title&gt;' variable=''/>"
                            "<item action='[Extract]' token='&lt;/title&gt;' variable='title'/></extraction>");
        // A script that would put the marker into any output it reaches.
        fuzz::writeFile(outside / "secret.xml",
                        "<extraction>" + source +
                            "<item action='[MoveTo]' token='&lt;title&gt;' variable=''/>"
                            "<item action='[Extract]' token='&lt;/title&gt;' variable='" +
                            std::string(fuzz::kOutsideMarker) + "'/></extraction>");
        fs::create_directory_symlink(outside, app / "data" / "out");
        fs::create_directories(app / "cache");
        fs::create_directories(app / "scripts");
        appSnapshot = fuzz::snapshot(app);
        outsideSnapshot = fuzz::snapshot(outside);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup s;
    if (size == 0)
        return 0;
    const std::string body(fuzz::bytesOf(data + 1, size - 1));
    const fs::path script = s.app / "scripts" / "fuzz.nrt";
    const fs::path output = s.app / "cache" / "out.txt";
    const fs::path workspace = s.app / "cache" / "workspace.htm";
    fuzz::writeFile(script, (data[0] & 1) != 0 ? ScrambledFile::scrambleBytes(body) : body);

    Transformer transformer(fromUtf8(s.app.string()));
    transformer.setWorkspacePath(fromUtf8(workspace.string()));
    const bool ran = transformer.run(fromUtf8(script.string()), fromUtf8(output.string()),
                                     fromUtf8(s.server.url("/store/product")));
    require(ran || !transformer.errorText().empty(), "a failed run says why", body);
    require(!ran || fs::is_regular_file(output), "a successful run leaves its output", body);
    require(fuzz::readFile(output).find(fuzz::kOutsideMarker) == std::string::npos,
            "no script outside the data folder is run", body);

    fs::remove(script);
    fs::remove(output);
    fs::remove(workspace);
    require(fuzz::snapshot(s.app) == s.appSnapshot, "only the output and the work file change", body);
    require(fuzz::snapshot(s.outside) == s.outsideSnapshot, "nothing outside the folder changes", body);
    return 0;
}
