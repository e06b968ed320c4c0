#include "ui/update_check_driver.h"

#include "foundation/failure.h"
#include "watch/download_job.h"

#include <system_error>
#include <utility>

namespace zelvon::ui {

UpdateCheckDriver::UpdateCheckDriver(WatchList& list, QObject* parent) : QObject(parent), list_(list) {}

UpdateCheckDriver::~UpdateCheckDriver() {
    // The window is going: no server may hold it open. Completions still
    // queued die with this object.
    stopWorkers();
}

bool UpdateCheckDriver::start(const UpdateCheckContext& context, std::vector<size_t> order, size_t atOnce) {
    if (batch_)
        return false;
    UpdateBatchOptions options;
    options.maxRunning = atOnce == 0 ? 1 : atOnce;
    // Several at once cannot share the one work file.
    options.maxPerHost = options.maxRunning;
    options.ownScratchFiles = options.maxRunning > 1;
    total_ = static_cast<int>(order.size());
    started_ = 0;
    pending_.clear();
    batch_ = std::make_unique<UpdateBatch>(list_, context, options);
    batch_->start(std::move(order));
    startWaitingJobs();
    if (workers_.empty() && pending_.empty()) {
        // Every product was removed before its turn: no run at all.
        batch_.reset();
        return false;
    }
    // A product whose thread could not start is applied (as failed) now.
    advance();
    return true;
}

void UpdateCheckDriver::cancel() {
    if (batch_)
        batch_->cancel();
}

void UpdateCheckDriver::abort() {
    cancel();
    for (auto& [position, worker] : workers_)
        worker.abort->store(true);
}

void UpdateCheckDriver::stopWorkers() {
    abort();
    for (auto& [position, worker] : workers_)
        if (worker.thread.joinable())
            worker.thread.join();
    workers_.clear();
}

void UpdateCheckDriver::startWaitingJobs() {
    while (std::optional<BatchJob> job = batch_->nextJob()) {
        auto flag = std::make_shared<std::atomic<bool>>(false);
        job->download.abort = flag;
        Worker& worker = workers_[job->position];
        worker.abort = flag;
        try {
            // The job is a copy of every text the download needs; the thread
            // touches nothing else and reports only through the queued call,
            // as its last action.
            worker.thread = std::thread([this, job = *job] {
                DownloadResult result = runDownloadJob(job.download);
                QMetaObject::invokeMethod(
                    this, [this, job, result = std::move(result)] { jobDone(job, result); }, Qt::QueuedConnection);
            });
        } catch (const std::system_error&) {
            // No thread to be had: this product fails and nothing more starts.
            workers_.erase(job->position);
            batch_->cancel();
            DownloadResult failed;
            failed.failure = makeFailure(FailureKind::Other, u"the download could not be started");
            pending_.emplace_back(*job, failed);
            continue;
        }
        emit jobStarted(*job, ++started_, total_);
    }
}

void UpdateCheckDriver::jobDone(BatchJob job, DownloadResult result) {
    const auto worker = workers_.find(job.position);
    if (worker != workers_.end()) {
        // It has posted this call as its last action: the join is short.
        worker->second.thread.join();
        workers_.erase(worker);
    }
    pending_.emplace_back(std::move(job), std::move(result));
    advance();
}

void UpdateCheckDriver::advance() {
    if (advancing_ || !batch_)
        return;
    advancing_ = true;
    while (batch_ && !pending_.empty()) {
        auto [job, result] = std::move(pending_.front());
        pending_.erase(pending_.begin());
        batch_->finishJob(job, result);
        for (const BatchJobReport& report : batch_->takeReportsInOrder())
            emit jobFinished(report);
        startWaitingJobs();
    }
    advancing_ = false;
    if (batch_ && workers_.empty() && pending_.empty() && batch_->isFinished()) {
        for (const BatchJobReport& report : batch_->takeReportsInOrder())
            emit jobFinished(report);
        const UpdateBatchSummary summary = batch_->summary();
        batch_.reset();
        emit finished(summary);
    }
}

} // namespace zelvon::ui
