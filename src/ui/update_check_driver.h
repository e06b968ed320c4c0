#pragma once
// The window's update check as one object: it owns the batch, asks only the
// batch what comes next, runs each product's download on a thread of its
// own and hands the result back on the user-interface thread, where the
// batch applies it and saves the list. The view only shows what it hears.
//
// Cancel starts nothing new and lets the running downloads finish; abort
// (the window closing) also stops the running transfers within a second,
// whatever the server does. Going away aborts and waits for the threads.

#include "watch/update_batch.h"

#include <QObject>

#include <atomic>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace zelvon::ui {

class UpdateCheckDriver : public QObject {
    Q_OBJECT
public:
    explicit UpdateCheckDriver(WatchList& list, QObject* parent = nullptr);
    ~UpdateCheckDriver() override;
    UpdateCheckDriver(const UpdateCheckDriver&) = delete;
    UpdateCheckDriver& operator=(const UpdateCheckDriver&) = delete;

    // Starts a run over the records at `order` with up to `atOnce`
    // downloads side by side (1: one at a time, all through the one work
    // file; more: each with scratch files of its own and at most `atOnce`
    // to one host). False, with nothing started, while a run is under way
    // or when no product can be started; `finished` follows every run that
    // started.
    bool start(const UpdateCheckContext& context, std::vector<size_t> order, size_t atOnce);
    // Nothing new starts; the running downloads end normally.
    void cancel();
    // Stops the running transfers now; they end as cancelled failures.
    void abort();

    // From the first start until `finished` has been emitted.
    bool isRunning() const { return batch_ != nullptr; }
    bool isCancelled() const { return batch_ != nullptr && batch_->isCancelled(); }
    size_t runningCount() const { return workers_.size(); }

signals:
    // A product's download has begun; `started` counts the run's downloads
    // so far (this one included) out of `total` products.
    void jobStarted(const zelvon::BatchJob& job, int started, int total);
    // A product has been applied and saved; reports come in the run's
    // order, whichever download ended first.
    void jobFinished(const zelvon::BatchJobReport& report);
    // The run is over: nothing runs and nothing more starts. The driver is
    // free for the next start when this is emitted.
    void finished(const zelvon::UpdateBatchSummary& summary);

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> abort;
    };

    void startWaitingJobs();
    void jobDone(BatchJob job, DownloadResult result);
    void advance();
    void stopWorkers();

    WatchList& list_;
    std::unique_ptr<UpdateBatch> batch_;
    std::map<size_t, Worker> workers_; // by position in the run
    int started_ = 0;
    int total_ = 0;
    // Completions not yet applied. While one is being handled (a handler
    // may run a nested event loop), later ones wait here, so reports stay
    // in order and nothing starts twice.
    std::vector<std::pair<BatchJob, DownloadResult>> pending_;
    bool advancing_ = false;
};

} // namespace zelvon::ui
