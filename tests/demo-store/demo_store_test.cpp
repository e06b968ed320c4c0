// The demo store over HTTP, started in-process on an ephemeral port.

#include "demo_store.h"
#include "maker_site.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>

namespace zelvon::demo {
namespace {

StoreOptions ephemeral(int latencyMs = 0) {
    StoreOptions options;
    options.port = 0;
    options.latencyMs = latencyMs;
    options.appDataDir = ZELVON_SOURCE_DIR "/appdata";
    return options;
}

class DemoStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(store.start());
        client = std::make_unique<httplib::Client>("127.0.0.1", store.port());
        client->set_read_timeout(5, 0);
        // Send paths as written, the way the program's fetcher does.
        client->set_url_encode(false);
    }

    httplib::Result get(const std::string& path) { return client->Get(path.c_str()); }
    httplib::Result post(const std::string& path) { return client->Post(path.c_str(), "", "text/plain"); }

    DemoStore store{ephemeral()};
    std::unique_ptr<httplib::Client> client;
};

TEST_F(DemoStoreTest, UnknownProductIdsGet404OnEveryRoute) {
    for (const char* path : {"/store/product?pid=99999", "/store/product?pid=", "/store/product", "/store/product?pid=10412x"}) {
        auto res = get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 404) << path;
    }
    for (const char* path : {"/admin/publish?id=99999", "/admin/publish", "/admin/publish?id=10412%20"}) {
        auto res = post(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 404) << path;
    }
    EXPECT_EQ(get("/no/such/page")->status, 404);
    EXPECT_EQ(get("/store/product?pid=10412")->status, 200);
}

TEST_F(DemoStoreTest, PublishedVersionShowsOnTheStorePages) {
    auto res = post("/admin/publish?id=20104&version=3.3");
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200);
    EXPECT_EQ(res->body, "20104\t3.3\tSeñor Sudoku\n");

    EXPECT_NE(get("/store/product?pid=20104")->body.find("<td class=\"version\">3.3</td>"), std::string::npos);
    const std::string whatsNew = get("/store/whatsnew")->body;
    const size_t firstEntry = whatsNew.find("<tr class=\"entry\">");
    ASSERT_NE(firstEntry, std::string::npos);
    EXPECT_EQ(whatsNew.find("pid=20104", firstEntry), whatsNew.find("pid=", firstEntry));

    // Without a version the next one is made up; a bad one changes nothing.
    EXPECT_EQ(post("/admin/publish?id=20104")->body, "20104\t3.4\tSeñor Sudoku\n");
    EXPECT_EQ(post("/admin/publish?id=20104&version=%3Cb%3E")->status, 400);
    EXPECT_EQ(store.catalogue().find("20104")->version(), "3.4");
}

TEST_F(DemoStoreTest, PagesDeclareTheCharsetTheyAreIn) {
    auto legacy = get("/store/product?pid=10527");
    ASSERT_TRUE(legacy);
    EXPECT_EQ(legacy->get_header_value("Content-Type"), "text/html; charset=windows-1252");
    EXPECT_NE(legacy->body.find("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"),
              std::string::npos);
    EXPECT_NE(legacy->body.find("<h1 class=\"product-name\">B\xFCrokrat Pro</h1>"), std::string::npos);

    auto modern = get("/store/product?pid=50213");
    EXPECT_EQ(modern->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(modern->body.find("content=\"text/html; charset=utf-8\""), std::string::npos);
    EXPECT_NE(modern->body.find("<h1 class=\"product-name\">Łódź Transit</h1>"), std::string::npos);

    // The same name on a Windows-1252 page: what the code page lacks is a
    // character reference.
    auto best = get("/store/bestselling");
    EXPECT_EQ(best->get_header_value("Content-Type"), "text/html; charset=windows-1252");
    EXPECT_NE(best->body.find(">&#321;\xF3" "d&#378; Transit</a>"), std::string::npos);
}

TEST_F(DemoStoreTest, SearchTakesWordsJoinedByPlus) {
    const std::string two = get("/store/search?q=chess")->body;
    EXPECT_NE(two.find("2 products match"), std::string::npos);
    const std::string one = get("/store/search?q=pocket+chess")->body;
    EXPECT_NE(one.find("1 product matches <b>pocket chess</b>"), std::string::npos);
    EXPECT_NE(one.find("pid=20117"), std::string::npos);
    const std::string none = get("/store/search?q=zzz")->body;
    EXPECT_NE(none.find("<div id=\"results\">"), std::string::npos);
    EXPECT_EQ(none.find("class=\"hit\""), std::string::npos);
}

TEST_F(DemoStoreTest, UpdateServerHandsOutTheScriptSetForItsOwnAddress) {
    auto info = get(std::string(kScriptUpdatePath) + kScriptInfoName);
    ASSERT_TRUE(info);
    ASSERT_EQ(info->status, 200);
    EXPECT_NE(info->body.find("<root version=\"2\">"), std::string::npos);

    // Every file of the set is compared with the installation by the
    // shipped-data tests; here, what only the server decides.
    const std::string prefix = "http://127.0.0.1:" + std::to_string(store.port());
    // The plain source stands in for the scrambled detail script, pointed
    // at this store.
    EXPECT_NE(get(std::string(kScriptUpdatePath) + "v2/scripts/productDetail.nrt")->body.find(prefix + "/store/product"),
              std::string::npos);
    EXPECT_EQ(get(std::string(kScriptUpdatePath) + "v2/scripts/other.nrt")->status, 404);
    EXPECT_NE(get(std::string(kScriptUpdatePath) + "v2/../../CMakeLists.txt")->status, 200);
    EXPECT_EQ(get("/orvalis/")->status, 200);
}

TEST(DemoStoreServer, LatencyDelaysEveryResponse) {
    DemoStore slow(ephemeral(150));
    ASSERT_TRUE(slow.start());
    httplib::Client client("127.0.0.1", slow.port());
    for (const char* path : {"/", "/store/product?pid=99999"}) {
        const auto started = std::chrono::steady_clock::now();
        auto res = client.Get(path);
        const auto elapsed = std::chrono::steady_clock::now() - started;
        ASSERT_TRUE(res);
        EXPECT_GE(elapsed, std::chrono::milliseconds(150)) << path;
    }
}

TEST(DemoStoreServer, HoldsItsPortAloneAndGivesItBackOnStop) {
    DemoStore first(ephemeral());
    ASSERT_TRUE(first.start());
    StoreOptions same = ephemeral();
    same.port = first.port();
    DemoStore second(same);
    EXPECT_FALSE(second.start());
    httplib::Client client("127.0.0.1", first.port());
    EXPECT_EQ(client.Get("/")->status, 200) << "the first one still answers alone";

    first.stop();
    first.stop(); // harmless
    ASSERT_TRUE(second.start());
    EXPECT_EQ(client.Get("/")->status, 200);
}

} // namespace
} // namespace zelvon::demo
