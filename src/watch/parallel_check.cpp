#include "watch/parallel_check.h"

#include "foundation/text_codec.h"
#include "watch/leftover_files.h"

#include <chrono>
#include <filesystem>
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

// A check stopped at once by a second signal leaves its jobs' files behind;
// the next one clears them. Only the holder of the folder's lock runs
// parallel jobs, so none of them can be in use.
void removeLeftoverJobFiles(std::u16string_view appFolder) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (fs::directory_iterator it(fs::path(toUtf8(appFolder)) / "cache", error), end; !error && it != end;
         it.increment(error)) {
        if (isJobScratchFile(it->path().filename().string()))
            fs::remove(it->path(), error);
    }
}

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

    removeLeftoverJobFiles(context.appFolder);
    UpdateBatchOptions batchOptions;
    batchOptions.maxRunning = options.jobs;
    batchOptions.maxPerHost = options.perHost == 0 ? options.jobs : options.perHost;
    batchOptions.ownScratchFiles = true;
    UpdateBatch batch(list, context, batchOptions);
    batch.start(indexes);

    CompletionQueue queue;
    std::map<size_t, std::thread> workers; // by batch position
    const auto startJobs = [&] {
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
                batch.finishJob(*job, DownloadResult{false, u"Could not start the download.\n",
                                                     makeFailure(FailureKind::Other, u"no thread could be started for the download")});
            }
        }
    };
    for (;;) {
        startJobs();
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
            // Each finished job makes room at once: the next download goes
            // out while the completions that arrived with this one are
            // still being saved, instead of after all of them.
            startJobs();
        }
    }
    reportInOrder(batch, observer);
    return batch.summary();
}

} // namespace zelvon
