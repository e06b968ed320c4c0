#pragma once
// A watch list in a scratch application folder and a local store that
// serves one product page for every ID, with each request logged: what the
// update-check and batch tests share.

#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "support/local_http_server.h"
#include "watch/clock.h"
#include "watch/download_completion.h"
#include "watch/download_job.h"
#include "watch/script_catalogue.h"
#include "watch/watch_list.h"
#include "watch/watch_test_support.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace zelvon::test {

inline TimePoint noonInJune() { return parseDateTime(u"06/15/2023 12:00").value_or(TimePoint{}); }

class UpdateCheckFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { HttpFetcher::globalInit(); }

    void SetUp() override {
        server_.server().Get(R"(/product/(\w+))", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request.path);
            response.set_content(page_, "text/html");
        });
        server_.server().Get("/missing", [](const httplib::Request&, httplib::Response& response) {
            response.status = 404;
            response.set_content("gone", "text/plain");
        });
        server_.start();
        setPage(test::productPage("Tom's \"Quick\" Editor", "Orvalis & Sons", "1.0"));
        test::stageAppFolder(app_, server_.url("/product/"), server_.url("/product/own"));
        ASSERT_EQ(catalogue_.load(app_.u16path()), ScriptCatalogue::LoadStatus::Loaded);
        list_.load(app_.u16file("cache/productList.txt"), 0, clock_.now());
    }

    size_t addProduct(const std::string& id, const std::string& name, const std::string& version, int isNew) {
        ProductRecord r;
        r.productID = u16(id);
        r.productURL = id.empty() ? u"" : catalogue_.detailUrl(u16(id));
        r.productName = u16(name);
        r.productVersion = u16(version);
        r.previousVersion = u16(version);
        r.lastReload = u"01/01/2023 08:00";
        r.isNew = isNew;
        const size_t index = list_.append(r);
        EXPECT_TRUE(list_.save());
        return index;
    }

    // One product, the way the window will do it: the job runs (on any
    // thread), then the completion applies its output to the list.
    DownloadResult check(size_t index, CompletionOutcome* outcome = nullptr) {
        const DownloadJob job = makeDetailDownloadJob(*list_.record(index), catalogue_, app_.u16path(), proxy_);
        const DownloadResult result = runDownloadJob(job);
        const CompletionOutcome done = completeDownload(list_, index, result.success, job.outputPath, clock_);
        if (outcome != nullptr)
            *outcome = done;
        return result;
    }

    ProductRecord onDisk(size_t index) {
        WatchList reread;
        EXPECT_TRUE(reread.load(app_.u16file("cache/productList.txt"), 1000000, clock_.now()));
        return reread.record(index).value_or(ProductRecord{});
    }

    std::vector<std::string> requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    void setPage(std::string page) {
        std::lock_guard<std::mutex> lock(mutex_);
        page_ = std::move(page);
    }

    TempDir app_;
    test::LocalHttpServer server_;
    std::mutex mutex_; // the server's thread serves page_ and logs requests_
    std::string page_;
    std::vector<std::string> requests_;
    ScriptCatalogue catalogue_;
    WatchList list_;
    FixedClock clock_{noonInJune()};
    ProxySettings proxy_;
};

} // namespace zelvon::test
