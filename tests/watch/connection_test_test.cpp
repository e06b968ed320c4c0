// The connection test and the network values of its dialog: the texts and
// captions, the proxy rule checked through a real proxy (tinyproxy names
// itself in the Via header), and the settings as the dialog opens and
// closes.

#include "watch/connection_test.h"

#include "app/default_addresses.h"
#include "app/settings_store.h"
#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "net/net_test_support.h"
#include "net/tinyproxy_process.h"
#include "support/local_http_server.h"
#include "support/recording_flow_ui.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

namespace zelvon {
namespace {

class ConnectionTestTest : public ::testing::Test {
protected:
    void SetUp() override {
        HttpFetcher::globalInit();
        HttpFetcher::platformCheck();
        origin.server().Get(R"((?:http://[^/]+)?/(\w+))", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard<std::mutex> lock(mutex);
            via = request.get_header_value("Via");
            if (request.matches[1] == "page")
                response.set_content("the page", "text/html");
            else
                response.status = 404;
        });
        origin.start();
        std::filesystem::create_directories(app.path() / "cache");
        settings.bind(u"Tervane", u"Zelvon");
    }
    std::string lastVia() {
        std::lock_guard<std::mutex> lock(mutex);
        return via;
    }

    test::ScopedProxyEnvironment environment; // no proxy from the environment
    test::TempDir app;
    test::TempDir config;
    SettingsStore settings{config.str()};
    std::mutex mutex;
    std::string via;
    test::LocalHttpServer origin;
};

TEST_F(ConnectionTestTest, ReportsSuccessOrFailureWithTheAddress) {
    const struct {
        std::string url;
        bool fetched;
        std::u16string text;
        std::u16string caption;
    } cases[] = {
        {origin.url("/page"), true, u"Data has been downloaded from... " + u16(origin.url("/page")), u"Success"},
        {origin.url("/missing"), false, u"Could not download data from... " + u16(origin.url("/missing")), u"Failure"},
        {"", false, u"Could not download data from... ", u"Failure"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        test::RecordingFlowUi ui;
        EXPECT_EQ(runConnectionTest(NetworkValues{false, u"", u"", u16(c.url)}, app.u16path(), ui), c.fetched);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, c.text);
        EXPECT_EQ(ui.messages[0].caption, c.caption);
        EXPECT_EQ(ui.waitsBegun, 1);
        EXPECT_EQ(ui.waitDepth, 0);
    }
    // The page of the one success stays in the cache; nothing was stored.
    EXPECT_EQ(app.read("cache/nettest.htm"), "the page");
    EXPECT_FALSE(std::filesystem::exists(settings.filePath()));
}

TEST_F(ConnectionTestTest, AnEmptyAddressMeansNoProxyWhateverTheBox) {
    test::TinyproxyProcess proxy;
    ASSERT_TRUE(proxy.running()) << "tinyproxy did not start: " << proxy.log();
    const std::u16string port = u16(proxy.address().substr(proxy.address().find(':') + 1));
    const struct {
        const char* what;
        NetworkValues values;
        bool proxied;
    } cases[] = {
        {"checked", {true, u"127.0.0.1", port, {}}, true},
        {"not checked", {false, u"127.0.0.1", port, {}}, false},
        {"checked without address", {true, u"", port, {}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        NetworkValues values = c.values;
        values.testUrl = u16(origin.url("/page"));
        test::RecordingFlowUi ui;
        EXPECT_TRUE(runConnectionTest(values, app.u16path(), ui));
        EXPECT_EQ(lastVia().find(test::kProxyName) != std::string::npos, c.proxied) << lastVia();
    }
}

TEST_F(ConnectionTestTest, AProxyIsTestedAloneWithoutTheDirectRetry) {
    // The origin answers directly, so a direct retry would pass the test.
    const int closedPort = test::unusedLoopbackPort();
    const std::u16string url = u16(origin.url("/page"));
    test::RecordingFlowUi dead;
    EXPECT_FALSE(runConnectionTest({true, u"127.0.0.1", u16(std::to_string(closedPort)), url}, app.u16path(), dead));
    ASSERT_EQ(dead.messages.size(), 1u);
    EXPECT_EQ(dead.messages[0].text, u"Could not download data from... " + url);
    EXPECT_EQ(dead.messages[0].caption, u"Failure");
    ASSERT_EQ(dead.failures.size(), 1u);
    EXPECT_EQ(toUtf8(describeFailure(dead.failures[0])),
              "the proxy 127.0.0.1:" + std::to_string(closedPort) + " could not be reached");

    test::TinyproxyProcess proxy;
    ASSERT_TRUE(proxy.running()) << "tinyproxy did not start: " << proxy.log();
    const std::u16string port = u16(proxy.address().substr(proxy.address().find(':') + 1));
    test::RecordingFlowUi live;
    EXPECT_TRUE(runConnectionTest({true, u"127.0.0.1", port, url}, app.u16path(), live));
    EXPECT_NE(lastVia().find(test::kProxyName), std::string::npos) << lastVia();
    EXPECT_TRUE(live.failures.empty());

    // An ordinary download with the same dead proxy still retries directly.
    EXPECT_TRUE(HttpFetcher::fetchToFile(url, app.u16file("cache/direct.htm"), 1, u16("127.0.0.1:" + std::to_string(closedPort))));
}

TEST_F(ConnectionTestTest, ValuesOpenAndCloseAsTheDialogDoes) {
    const NetworkValues fresh = loadNetworkValues(settings);
    EXPECT_FALSE(fresh.useProxyChecked);
    EXPECT_EQ(fresh.address, u"");
    EXPECT_EQ(fresh.port, u"");
    EXPECT_EQ(fresh.testUrl, kDefaultMakerSiteUrl);

    const struct {
        NetworkValues values;
        int32_t storedUseProxy;
    } cases[] = {
        {{true, u"proxy.example", u"8080", u"http://a/"}, 1},
        {{true, u"", u"3128", u"http://b/"}, 0}, // an empty address switches the proxy off
        {{false, u"proxy.example", u"x1", u""}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toUtf8(c.values.address));
        storeNetworkValues(c.values, settings);
        EXPECT_EQ(settings.readInt(u"Settings", u"UseProxy", -1), c.storedUseProxy);
        const NetworkValues reopened = loadNetworkValues(settings);
        EXPECT_EQ(reopened.useProxyChecked, c.storedUseProxy == 1);
        EXPECT_EQ(reopened.address, c.values.address);
        EXPECT_EQ(reopened.port, c.values.port);
        EXPECT_EQ(reopened.testUrl, c.values.testUrl);
    }
    // Only exactly 1 checks the box.
    settings.writeInt(u"Settings", u"UseProxy", 2);
    EXPECT_FALSE(loadNetworkValues(settings).useProxyChecked);
}

} // namespace
} // namespace zelvon
