#include "support/local_http_server.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zelvon {
namespace {

const std::string kPage = "<html><h1>Widget Pro</h1><p>2.5</p></html>";

std::string vexScript(const std::string& url) {
    return "~~~~~~KELPORUNTIME~~~~~~\n~~~~~~VEX~~~~~~\nDetail\n"
           "<extraction><source url='" +
           url +
           "' cache=''/>"
           "<item action='[MoveTo]' token='&lt;h1&gt;' variable=''/>"
           "<item action='[Extract]' token='&lt;/h1&gt;' variable='productName'/>"
           "<item action='[MoveTo]' token='&lt;p&gt;' variable=''/>"
           "<item action='[Extract]' token='&lt;/p&gt;' variable='productVersion'/>"
           "</extraction>\n";
}

const std::string kOutput = "productName~0~Widget Pro\r\nproductVersion~0~2.5\r\n";

// Points the settings (and nothing else) at a scratch folder for one test and
// keeps proxy variables of the environment out of the downloads.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

class TransformCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.server().Get(R"(/[\w.]+)", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard<std::mutex> lock(mutex);
            requested.push_back(request.path);
            if (request.path != "/page.htm") {
                response.status = 404;
                return;
            }
            response.set_content(kPage, "text/html");
        });
        server.start();
        std::filesystem::create_directories(app.path() / "cache");
    }

    void writeSettings(const std::string& ini) { config.write("Tervane/Zelvon.conf", ini); }

    test::ProgramResult transform(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--app-folder", app.str(), "transform"};
        all.insert(all.end(), args.begin(), args.end());
        return test::runProgram(ZELVON_BIN_DIR "/zelvon-cli", all, scratch.str());
    }

    size_t requestCount() {
        std::lock_guard<std::mutex> lock(mutex);
        return requested.size();
    }

    test::TempDir app;
    test::TempDir config;
    test::TempDir scratch;
    ScopedEnv configHome{"XDG_CONFIG_HOME", config.str()};
    ScopedEnv httpProxy{"http_proxy", std::nullopt};
    ScopedEnv httpProxyUpper{"HTTP_PROXY", std::nullopt};
    ScopedEnv allProxy{"ALL_PROXY", std::nullopt};
    ScopedEnv appFolderVariable{"ZELVON_APP_FOLDER", std::nullopt};
    std::mutex mutex;
    std::vector<std::string> requested;
    test::LocalHttpServer server;
};

TEST_F(TransformCliTest, WritesTheOutputThroughTheSharedWorkFile) {
    app.write("scripts/detail.txt", vexScript(server.url("/other.htm")));
    const auto result = transform({app.file("scripts/detail.txt"), app.file("cache/out.txt"), server.url("/page.htm")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(app.read("cache/out.txt"), kOutput);
    EXPECT_EQ(app.read("cache/workspace.htm"), kPage);

    // Without a URL the script's own source is read.
    app.write("scripts/own.txt", vexScript(server.url("/page.htm")));
    const auto own = transform({app.file("scripts/own.txt"), app.file("cache/own.txt")});
    EXPECT_EQ(own.exitCode, 0) << own.err;
    EXPECT_EQ(app.read("cache/own.txt"), kOutput);
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(requested, (std::vector<std::string>{"/page.htm", "/page.htm"}));
}

TEST_F(TransformCliTest, FailurePrintsTheErrorTextExactly) {
    const std::string missingScript = app.file("scripts/none.txt");
    const auto notFound = transform({missingScript, app.file("cache/out.txt")});
    EXPECT_EQ(notFound.exitCode, 1);
    EXPECT_EQ(notFound.err, "Could not Open:  " + missingScript + "\n");
    EXPECT_EQ(notFound.out, "");

    const std::string missingPage = server.url("/gone.htm");
    app.write("scripts/detail.txt", vexScript(missingPage));
    const auto gone = transform({app.file("scripts/detail.txt"), app.file("cache/out.txt")});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(gone.err, "Error: Could not execute Transformation script.\n\nCould not download:  " + missingPage + "\n");
    EXPECT_FALSE(std::filesystem::exists(app.path() / "cache/out.txt"));
}

TEST_F(TransformCliTest, WrongArgumentCountIsAUsageError) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"only-one"}, {"a", "b", "c", "too-many"}}) {
        const auto result = transform(args);
        EXPECT_EQ(result.exitCode, 64) << args.size();
        EXPECT_NE(result.err.find("transform SCRIPT OUTPUT [URL]"), std::string::npos) << result.err;
    }
    EXPECT_EQ(requestCount(), 0u);
}

TEST_F(TransformCliTest, ProxyIsUsedOnlyWithAnAddress) {
    std::vector<std::string> proxied;
    test::LocalHttpServer proxy;
    proxy.server().Get(R"(.*)", [&](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard<std::mutex> lock(mutex);
        proxied.push_back(request.path);
        response.set_content(kPage, "text/html");
    });
    proxy.start();
    app.write("scripts/detail.txt", vexScript(""));
    const std::string port = std::to_string(proxy.port());

    // An address is set: the request goes to the proxy, even for a page
    // address where nothing listens.
    writeSettings("[Settings]\nUseProxy=1\nProxyAddress=127.0.0.1\nProxyPort=" + port + "\n");
    const auto viaProxy =
        transform({app.file("scripts/detail.txt"), app.file("cache/out.txt"), "http://127.0.0.1:1/via-proxy.htm"});
    EXPECT_EQ(viaProxy.exitCode, 0) << viaProxy.err;
    EXPECT_EQ(app.read("cache/out.txt"), kOutput);

    // No address: UseProxy=1 alone changes nothing.
    writeSettings("[Settings]\nUseProxy=1\nProxyAddress=\nProxyPort=" + port + "\n");
    const auto direct = transform({app.file("scripts/detail.txt"), app.file("cache/out2.txt"), server.url("/page.htm")});
    EXPECT_EQ(direct.exitCode, 0) << direct.err;
    EXPECT_EQ(app.read("cache/out2.txt"), kOutput);

    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_EQ(proxied.size(), 1u);
    EXPECT_NE(proxied[0].find("via-proxy.htm"), std::string::npos);
    EXPECT_EQ(requested, std::vector<std::string>{"/page.htm"});
}

} // namespace
} // namespace zelvon
