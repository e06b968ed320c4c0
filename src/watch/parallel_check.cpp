#include "watch/parallel_check.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace zelvon {
namespace {

// Finished downloads, handed from the job threads to the owner.
class CompletionQueue {
public:
    void push(BatchJob job, DownloadResult result) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_.emplace_back(std::move(job), std::move(result));
        }
        ready_.notify_one();
    }
    // Waits up to `timeout` for at least one completion; takes them all.
    std::deque<std::pair<BatchJob, DownloadResult>> take(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait_for(lock, timeout, [this] { return !done_.empty(); });
        return std::exchange(done_, {});
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::pair<BatchJob, DownloadResult>> done_;
};

void reportInOrder(UpdateBatch& batch, UpdateCheckObserver& observer) {
    for (const BatchJobReport& report : batch.takeReportsInOrder()) {
        observer.downloadStarting(report.index, report.before);
        reportToObserver(observer, report);
    }
}

} // namespace

UpdateBatchSummary runParallelChecks(WatchList& list, const std::vector<size_t>& indexes,
                                     const UpdateCheckContext& context, UpdateCheckObserver& observer,
                                     const ParallelCheckOptions& options) {
    if (options.jobs <= 1)
        return runUpdateChecks(list, indexes, context, observer);

    UpdateBatchOptions batchOptions;
    batchOptions.maxRunning = options.jobs;
    batchOptions.maxPerHost = options.perHost == 0 ? options.jobs : options.perHost;
    batchOptions.ownScratchFiles = true;
    UpdateBatch batch(list, context, batchOptions);
    batch.start(indexes);

    CompletionQueue queue;
    std::map<size_t, std::thread> workers; // by batch position
    for (;;) {
        if (observer.cancelRequested())
            batch.cancel();
        while (std::optional<BatchJob> job = batch.nextJob()) {
            try {
                workers.emplace(job->position, std::thread([&queue, copy = *job] {
                                    DownloadResult result = runDownloadJob(copy.download);
                                    queue.push(copy, std::move(result));
                                }));
            } catch (const std::system_error&) {
                // No thread to be had: the product fails like a download.
                batch.finishJob(*job, DownloadResult{false, u"Could not start the download.\n"});
            }
        }
        reportInOrder(batch, observer);
        if (batch.runningCount() == 0)
            break;
        for (auto& [job, result] : queue.take(std::chrono::milliseconds(100))) {
            const auto worker = workers.find(job.position);
            if (worker != workers.end()) {
                worker->second.join();
                workers.erase(worker);
            }
            batch.finishJob(job, result);
        }
    }
    reportInOrder(batch, observer);
    return batch.summary();
}

} // namespace zelvon
