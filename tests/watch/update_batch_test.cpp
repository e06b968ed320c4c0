#include "watch/update_batch.h"

#include "watch/update_check_fixture.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <thread>

namespace zelvon {
namespace {

class UpdateBatchCheck : public test::UpdateCheckFixture {
protected:
    UpdateCheckContext context() { return UpdateCheckContext{app_.u16path(), catalogue_, proxy_, clock_}; }
};

// Drives a batch the way the window does: each job runs on a thread of its
// own, its completion is queued back and taken on this (the owning) thread,
// and the next job is asked for only then.
class WindowStyleDriver {
public:
    explicit WindowStyleDriver(UpdateBatch& batch) : batch_(batch) {}

    std::vector<BatchJobReport> run(const std::function<void(const BatchJobReport&)>& afterEach = {}) {
        std::vector<BatchJobReport> reports;
        const std::thread::id owner = std::this_thread::get_id();
        for (int guard = 0; guard < 100; ++guard) {
            std::optional<BatchJob> job = batch_.nextJob();
            if (!job)
                break;
            EXPECT_FALSE(batch_.nextJob()) << "one job at a time";
            std::thread worker([this, copy = *job] {
                DownloadResult result = runDownloadJob(copy.download);
                std::lock_guard<std::mutex> lock(mutex_);
                queue_.push_back({copy, std::move(result), std::this_thread::get_id()});
                ready_.notify_one();
            });
            Completion done;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                EXPECT_TRUE(ready_.wait_for(lock, std::chrono::seconds(20), [this] { return !queue_.empty(); }));
                if (queue_.empty())
                    break;
                done = std::move(queue_.front());
                queue_.pop_front();
            }
            worker.join();
            EXPECT_NE(done.worker, owner);
            reports.push_back(batch_.finishJob(done.job, done.result));
            if (afterEach)
                afterEach(reports.back());
        }
        return reports;
    }

private:
    struct Completion {
        BatchJob job;
        DownloadResult result;
        std::thread::id worker;
    };
    UpdateBatch& batch_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Completion> queue_;
};

TEST_F(UpdateBatchCheck, WindowDrivesJobsOnWorkersAndCompletionsOnItsThread) {
    const size_t charlie = addProduct("3", "charlie", "1.0", 0);
    const size_t alpha = addProduct("1", "Alpha", "1.0", 0);
    const size_t gone = addProduct("2", "Bravo", "1.0", 0);
    const size_t broken = addProduct("", "beta", "1.0", 0);
    ProductRecord brokenRecord = *list_.record(broken);
    brokenRecord.productURL = u16(server_.url("/missing"));
    list_.setRecord(broken, brokenRecord);
    list_.markRemoved(gone);
    ASSERT_TRUE(list_.save());
    setPage(test::productPage("Checked", "Orvalis", "2.0"));

    UpdateBatch batch(list_, context());
    batch.startAll();
    WindowStyleDriver driver(batch);
    std::vector<std::string> savedNames;
    const auto reports = driver.run([&](const BatchJobReport& report) {
        // Each completion is saved before the next job starts.
        savedNames.push_back(toUtf8(onDisk(0).productName));
        EXPECT_EQ(report.outcome.record, *list_.record(report.index));
    });

    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ((std::vector<size_t>{reports[0].index, reports[1].index, reports[2].index}),
              (std::vector<size_t>{alpha, broken, charlie})) << "branch order, removed skipped";
    EXPECT_EQ(savedNames, (std::vector<std::string>{"charlie", "charlie", "Checked"}));
    EXPECT_TRUE(reports[0].succeeded && reports[0].outcome.saved);
    EXPECT_EQ(reports[0].before.productName, u"Alpha");
    EXPECT_FALSE(reports[1].succeeded);
    EXPECT_NE(reports[1].errorText.find(u"Could not download:  "), std::u16string::npos);
    EXPECT_EQ(*list_.record(broken), brokenRecord);
    EXPECT_EQ(list_.record(alpha)->isNew, 1);

    EXPECT_TRUE(batch.isFinished());
    EXPECT_FALSE(batch.isCancelled());
    EXPECT_EQ(batch.summary().checked, 3u);
    EXPECT_EQ(batch.summary().failed, 1u);
    EXPECT_EQ(batch.summary().newProducts, 2u);
    EXPECT_EQ(requests(), (std::vector<std::string>{"/product/1", "/product/3"}));
    EXPECT_EQ(batch.takeReportsInOrder().size(), 3u);
}

TEST_F(UpdateBatchCheck, CancelBetweenProductsAndRemovalDuringTheRun) {
    for (const char* id : {"1", "2", "3", "4"})
        addProduct(id, std::string("P") + id, "1.0", 0);
    setPage(test::productPage("Checked", "Orvalis", "1.0"));

    const struct {
        const char* label;
        size_t cancelAfter; // completions before Cancel; 99: never
        size_t removeAfterFirst;
        std::vector<std::string> requested;
        bool cancelled;
    } cases[] = {
        {"cancel after the first", 1, 99, {"/product/1"}, true},
        {"cancel after the last has no effect", 4, 99, {"/product/1", "/product/2", "/product/3", "/product/4"},
         false},
        {"removed while running is passed over", 99, 2, {"/product/1", "/product/2", "/product/4"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        list_.load(app_.u16file("cache/productList.txt"), 1000000, clock_.now());
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.clear();
        }
        UpdateBatch batch(list_, context());
        batch.start({0, 1, 2, 3});
        WindowStyleDriver driver(batch);
        size_t done = 0;
        driver.run([&](const BatchJobReport&) {
            if (++done == c.cancelAfter)
                batch.cancel();
            if (done == 1 && c.removeAfterFirst < list_.count())
                list_.markRemoved(c.removeAfterFirst);
        });
        EXPECT_EQ(requests(), c.requested);
        EXPECT_EQ(batch.isCancelled(), c.cancelled);
        EXPECT_TRUE(batch.isFinished());
        EXPECT_EQ(onDisk(0).productName, u"Checked") << "the finished product was saved";
    }
}

TEST_F(UpdateBatchCheck, PageWithoutNameAndVersionIsAFailedDownload) {
    const size_t index = addProduct("1", "Kept", "1.0", 0);
    const ProductRecord before = *list_.record(index);
    const std::string file = app_.read("cache/productList.txt");

    const struct {
        const char* label;
        std::string page;
        bool succeeded;
        const char16_t* name;
        const char16_t* version;
    } cases[] = {
        {"neither name nor version", test::productPage("", "Orvalis", ""), false, u"Kept", u"1.0"},
        {"only the name missing", test::productPage("", "Orvalis", "2.0"), true, u"", u"2.0"},
        {"only the version missing", test::productPage("Named", "Orvalis", ""), true, u"Named", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        list_.setRecord(index, before);
        setPage(c.page);
        UpdateBatch batch(list_, context());
        batch.start({index});
        const std::optional<BatchJob> job = batch.nextJob();
        ASSERT_TRUE(job);
        const BatchJobReport report = batch.finishJob(*job, runDownloadJob(job->download));
        EXPECT_EQ(report.succeeded, c.succeeded);
        EXPECT_EQ(list_.record(index)->productName, c.name);
        EXPECT_EQ(list_.record(index)->productVersion, c.version);
        EXPECT_EQ(batch.summary().failed, c.succeeded ? 0u : 1u);
        if (!c.succeeded) {
            EXPECT_EQ(report.errorText, kUnreadablePageText);
            EXPECT_EQ(*list_.record(index), before);
            EXPECT_EQ(app_.read("cache/productList.txt"), file) << "the file is not rewritten";
        }
    }
}

TEST(UrlHost, TheHostAndPortOfAUrl) {
    const struct {
        const char16_t* url;
        const char16_t* host;
    } cases[] = {
        {u"http://127.0.0.1:8080/product/1", u"127.0.0.1:8080"},
        {u"https://User@Store.Example/p?id=1", u"store.example"},
        {u"http://store.example?x=1", u"store.example"},
        {u"", u""},
        {u"store.example/p", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toUtf8(c.url));
        EXPECT_EQ(urlHost(c.url), c.host);
    }
}

} // namespace
} // namespace zelvon
