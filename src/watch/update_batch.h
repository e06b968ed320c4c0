#pragma once
// A check over several watched products, driven by its owner: the thread
// that owns the watch list. The owner starts the batch with the records in
// branch order, takes the next job, runs it wherever it likes (the job is a
// copy of every text it needs), and hands the finished job back on its own
// thread, where the output is applied and the list saved. The order, the
// skipping of removed records, cancel and the summary live here once, for
// the window (one job at a time from its worker) and the command line
// (a loop, or several jobs at once) alike.

#include "foundation/formatting.h"
#include "watch/download_completion.h"
#include "watch/download_job.h"
#include "watch/proxy_settings.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zelvon {

class Clock;
class ScriptCatalogue;
class WatchList;

struct UpdateCheckContext {
    std::u16string appFolder;
    const ScriptCatalogue& catalogue;
    ProxySettings proxy;
    const Clock& clock;
};

struct UpdateBatchSummary {
    size_t checked = 0;      // downloads started
    size_t failed = 0;       // downloads that failed (an unreadable page included)
    size_t saveFailures = 0; // successful downloads whose list save failed
    size_t newProducts = 0;  // checked products marked new after their check
    bool cancelled = false;  // cancel came before the batch had ended
    // A save found the folder's lock lost: the batch started nothing more
    // (the reason is in that job's outcome.saveError).
    bool lockLost = false;
};

struct UpdateBatchOptions {
    // Jobs handed out and not yet finished; the window's check runs one.
    size_t maxRunning = 1;
    // Jobs running against one host (scheme-less "host:port" of the URL);
    // 0 leaves it to maxRunning.
    size_t maxPerHost = 0;
    // Each job gets its own work and output file under appFolder/cache,
    // removed when the job is finished; otherwise every job uses the one
    // work file and "productTemp.txt", which is only safe one at a time.
    bool ownScratchFiles = false;
};

// One product's download, handed out by nextJob.
struct BatchJob {
    size_t position = 0;  // place in the batch's order
    size_t index = 0;     // the record's index in the watch list
    ProductRecord before; // the record as it stood when the job was handed out
    DownloadJob download;
};

// What a finished job did, for the front end to show.
struct BatchJobReport {
    size_t position = 0;
    size_t index = 0;
    ProductRecord before;
    // The download and its page counted; the pane shows "Download Success".
    bool succeeded = false;
    // The transformer's messages, or the unreadable-page text, on failure.
    std::u16string errorText;
    // The cause of a failure (download, unreadable page, failed save).
    Failure failure;
    CompletionOutcome outcome; // outcome.record: the record as it now stands
    bool saveFailed() const { return outcome.updated && !outcome.saved; }
};

class UpdateBatch {
public:
    UpdateBatch(WatchList& list, const UpdateCheckContext& context, UpdateBatchOptions options = {});

    // Starts over with the records at `indexes`, in that order. Indexes out
    // of range and records removed before their turn are passed over.
    void start(std::vector<size_t> indexes);
    // The same over the whole watch list in the branch's order.
    void startAll();

    // The next job that may start now, or nothing: the batch is cancelled
    // or has nothing left, or the running and per-host limits are reached
    // (finish a job and ask again).
    std::optional<BatchJob> nextJob();
    // Applies a finished job's result to its record and saves the list; on
    // the owner's thread. Removes the job's own scratch files.
    BatchJobReport finishJob(const BatchJob& job, const DownloadResult& result);

    // Starts nothing new; jobs already handed out still finish normally.
    // No effect once the batch has ended.
    void cancel();
    bool isCancelled() const { return summary_.cancelled; }
    // Nothing running and nothing more to hand out.
    bool isFinished() const;
    size_t runningCount() const { return running_; }
    const UpdateBatchSummary& summary() const { return summary_; }

    // Reports of finished jobs in the batch's order, each once: a report is
    // released only when every job before it has finished or will never
    // run, so output does not depend on which download ended first.
    std::vector<BatchJobReport> takeReportsInOrder();

private:
    enum class Slot { Waiting, Running, Finished, Passed };

    bool passOver(size_t position);
    bool hostIsFull(const std::u16string& host) const;

    WatchList& list_;
    UpdateCheckContext context_;
    UpdateBatchOptions options_;
    std::vector<size_t> order_;
    std::vector<Slot> slots_;
    std::vector<std::u16string> hosts_;
    std::map<size_t, BatchJobReport> unreported_;
    std::map<std::u16string, size_t> runningPerHost_;
    size_t firstWaiting_ = 0;
    size_t reportCursor_ = 0;
    size_t running_ = 0;
    bool cancelRequested_ = false;
    UpdateBatchSummary summary_;
};

// "host:port" of a URL, lower-cased, for the per-host limit; empty when the
// URL is empty (the script's own page) or names no host.
std::u16string urlHost(std::u16string_view url);

// Told what a batch run by runUpdateChecks does, product by product.
class UpdateCheckObserver {
public:
    virtual ~UpdateCheckObserver() = default;
    // `record` is the product as it stood before its download.
    virtual void downloadStarting(size_t index, const ProductRecord& record) = 0;
    virtual void downloadSucceeded(size_t index, const ProductRecord& before, const CompletionOutcome& outcome) = 0;
    // `errorText` is the described text; `failure` says why, to show beside it.
    virtual void downloadFailed(size_t index, const ProductRecord& before, const std::u16string& errorText,
                                const Failure& failure) = 0;
    // Asked between products; a download under way runs to its end, which
    // the download time limit bounds.
    virtual bool cancelRequested() { return false; }
};

// Tells the observer about one finished job.
void reportToObserver(UpdateCheckObserver& observer, const BatchJobReport& report);

// Drives a batch over `indexes` on the calling thread, one product at a
// time. Each success is written back and saved at once, so an interrupted
// batch keeps what it has found.
UpdateBatchSummary runUpdateChecks(WatchList& list, const std::vector<size_t>& indexes,
                                   const UpdateCheckContext& context, UpdateCheckObserver& observer);

} // namespace zelvon
