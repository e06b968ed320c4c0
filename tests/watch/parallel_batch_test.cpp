#include "watch/parallel_check.h"

#include "watch/branch_order.h"
#include "watch/update_check_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <regex>
#include <thread>

namespace zelvon {
namespace {

// Counts the requests a server is serving at the same moment.
struct ConcurrencyCounter {
    std::atomic<int> active{0};
    std::atomic<int> highest{0};
    std::atomic<int> served{0};

    void enter() {
        const int now = ++active;
        int seen = highest.load();
        while (now > seen && !highest.compare_exchange_weak(seen, now)) {
        }
    }
    void leave() {
        --active;
        ++served;
    }
};

// Records what the parallel runner tells its observer, in that order.
class RecordingObserver : public UpdateCheckObserver {
public:
    void downloadStarting(size_t index, const ProductRecord&) override { started.push_back(index); }
    void downloadSucceeded(size_t index, const ProductRecord&, const CompletionOutcome&) override {
        reported.push_back(index);
    }
    void downloadFailed(size_t index, const ProductRecord&, const std::u16string&, const Failure&) override {
        reported.push_back(index);
        ++failures;
    }
    bool cancelRequested() override { return cancel.load(); }

    std::vector<size_t> started;
    std::vector<size_t> reported;
    int failures = 0;
    std::atomic<bool> cancel{false};
};

class ParallelCheck : public test::UpdateCheckFixture {
protected:
    void SetUp() override {
        // /item/N: product N at version "N.0", after a delay of delayMs_[N].
        server_.server().Get(R"(/item/(\d+))", [this](const httplib::Request& request, httplib::Response& response) {
            const int id = std::stoi(request.matches[1].str());
            counter_.enter();
            if (id == stalledId_.load())
                waitUntilOthersAreSaved();
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_.load() * (id % 4 + 1)));
            if (counter_.served.load() + 1 >= cancelAtRequest_.load())
                cancelFlag_->store(true);
            counter_.leave();
            response.set_content(test::productPage("Item " + std::to_string(id), "Orvalis", std::to_string(id) + ".0"),
                                 "text/html");
        });
        UpdateCheckFixture::SetUp();
    }

    size_t addItem(int id, const test::LocalHttpServer& host) {
        const size_t index = addProduct(std::to_string(id), "Name " + std::to_string(100 - id), "1.0", 0);
        ProductRecord r = *list_.record(index);
        r.productURL = u16(host.url("/item/" + std::to_string(id)));
        list_.setRecord(index, r);
        EXPECT_TRUE(list_.save());
        return index;
    }

    UpdateBatchSummary runParallel(RecordingObserver& observer, size_t jobs, size_t perHost = 0) {
        cancelFlag_ = &observer.cancel;
        const UpdateCheckContext context{app_.u16path(), catalogue_, proxy_, clock_};
        return runParallelChecks(list_, watchBranchOrder(list_), context, observer, {jobs, perHost});
    }

    size_t savedItems() {
        WatchList reread;
        reread.load(app_.u16file("cache/productList.txt"), 1000000, clock_.now());
        return static_cast<size_t>(std::count_if(reread.records().begin(), reread.records().end(),
                                                 [](const ProductRecord& r) { return r.productName.rfind(u"Item ", 0) == 0; }));
    }

    void waitUntilOthersAreSaved() {
        for (int i = 0; i < 500 && savedItems() < othersBesideTheStalled_; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        othersSavedWhileStalled_ = savedItems() == othersBesideTheStalled_;
    }

    std::vector<std::string> scratchFiles() {
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(app_.path() / "cache"))
            if (entry.path().filename().string().rfind("job-", 0) == 0)
                left.push_back(entry.path().filename().string());
        return left;
    }

    ConcurrencyCounter counter_;
    std::atomic<int> delayMs_{20};
    std::atomic<int> stalledId_{-1};
    std::atomic<int> cancelAtRequest_{1000};
    std::atomic<bool>* cancelFlag_ = nullptr;
    size_t othersBesideTheStalled_ = 0;
    bool othersSavedWhileStalled_ = false;
};

TEST_F(ParallelCheck, PerHostLimitHoldsAtTwoServers) {
    // The second host is a server of its own with the same pages.
    test::LocalHttpServer other;
    ConcurrencyCounter otherCounter;
    other.server().Get(R"(/item/(\d+))", [&](const httplib::Request& request, httplib::Response& response) {
        otherCounter.enter();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        otherCounter.leave();
        const std::string id = request.matches[1].str();
        response.set_content(test::productPage("Item " + id, "Orvalis", id + ".0"), "text/html");
    });
    other.start();
    delayMs_ = 40;
    for (int id = 1; id <= 10; ++id)
        addItem(id, id % 2 == 0 ? server_ : other);

    RecordingObserver observer;
    const UpdateBatchSummary summary = runParallel(observer, 4, 2);
    EXPECT_EQ(summary.checked, 10u);
    EXPECT_EQ(summary.failed, 0u);
    EXPECT_EQ(counter_.served.load() + otherCounter.served.load(), 10);
    EXPECT_LE(counter_.highest.load(), 2);
    EXPECT_LE(otherCounter.highest.load(), 2);
    EXPECT_EQ(otherCounter.highest.load(), 2) << "the limit is a limit, not one at a time";
    EXPECT_EQ(savedItems(), 10u);
    EXPECT_TRUE(scratchFiles().empty());
}

TEST_F(ParallelCheck, StalledPageHoldsUpNeitherTheOthersNorTheOrder) {
    for (int id = 1; id <= 6; ++id)
        addItem(id, server_);
    // Item 1 sorts last by name ("Name 99"); item 6 first ("Name 94").
    stalledId_ = 6;
    othersBesideTheStalled_ = 5;
    const std::vector<size_t> order = watchBranchOrder(list_);
    RecordingObserver observer;
    const UpdateBatchSummary summary = runParallel(observer, 3);
    EXPECT_TRUE(othersSavedWhileStalled_) << "the other five were applied and saved while the first page stalled";
    EXPECT_EQ(summary.checked, 6u);
    EXPECT_EQ(observer.reported, order) << "reported in the branch's order";
    EXPECT_EQ(order.front(), 5u);
    EXPECT_EQ(observer.started, observer.reported);
    EXPECT_LE(counter_.highest.load(), 3);
    EXPECT_TRUE(scratchFiles().empty());
}

TEST_F(ParallelCheck, SameListAsTheSequentialCheckButTheTime) {
    for (int id = 1; id <= 7; ++id)
        addItem(id, server_);
    const size_t broken = addProduct("", "Broken", "1.0", 0);
    ProductRecord r = *list_.record(broken);
    r.productURL = u16(server_.url("/missing"));
    list_.setRecord(broken, r);
    ASSERT_TRUE(list_.save());
    const std::string original = app_.read("cache/productList.txt");
    const auto withoutTimes = [](const std::string& text) {
        return std::regex_replace(text, std::regex("lastReload=\"[^\"]*\""), "lastReload=\"\"");
    };

    RecordingObserver sequential;
    runParallel(sequential, 1);
    const std::string sequentialFile = app_.read("cache/productList.txt");

    app_.write("cache/productList.txt", original);
    list_.load(app_.u16file("cache/productList.txt"), 1000000, clock_.now());
    clock_.set(test::noonInJune() + std::chrono::hours(2));
    RecordingObserver parallel;
    const UpdateBatchSummary summary = runParallel(parallel, 8);
    const std::string parallelFile = app_.read("cache/productList.txt");

    EXPECT_NE(parallelFile, sequentialFile) << "the stamps differ";
    EXPECT_EQ(withoutTimes(parallelFile), withoutTimes(sequentialFile));
    EXPECT_EQ(parallel.reported, sequential.reported);
    EXPECT_EQ(summary.failed, 1u);
    EXPECT_EQ(parallel.failures, 1);
    EXPECT_EQ(summary.newProducts, 6u) << "every item but 1.0";
    EXPECT_TRUE(scratchFiles().empty());
}

TEST_F(ParallelCheck, CancelFinishesTheRunningDownloadsAndLeavesAWholeList) {
    for (int id = 1; id <= 8; ++id)
        addItem(id, server_);
    delayMs_ = 50;
    cancelAtRequest_ = 1; // once the first download ends, with three started
    app_.write("cache/job-9-workspace.htm", "left by a run stopped at once");
    RecordingObserver observer;
    const UpdateBatchSummary summary = runParallel(observer, 3);
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(summary.checked, 3u) << "nothing starts after cancel";
    EXPECT_EQ(counter_.served.load(), 3);
    EXPECT_EQ(observer.reported.size(), 3u);

    WatchList reread;
    ASSERT_TRUE(reread.load(app_.u16file("cache/productList.txt"), 1000000, clock_.now()));
    EXPECT_EQ(reread.count(), 8u);
    EXPECT_EQ(savedItems(), 3u) << "the running downloads were applied and saved";
    EXPECT_TRUE(scratchFiles().empty());
}

} // namespace
} // namespace zelvon
