#include "watch/update_batch.h"

#include "foundation/file_io.h"
#include "watch/branch_order.h"
#include "watch/watch_list.h"

#include <utility>

namespace zelvon {

std::u16string urlHost(std::u16string_view url) {
    const size_t scheme = url.find(u"://");
    if (scheme == std::u16string_view::npos)
        return {};
    std::u16string_view rest = url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of(u"/?#"));
    const size_t at = rest.rfind(u'@');
    if (at != std::u16string_view::npos)
        rest = rest.substr(at + 1);
    std::u16string host(rest);
    for (char16_t& c : host)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 0x20);
    return host;
}

UpdateBatch::UpdateBatch(WatchList& list, const UpdateCheckContext& context, UpdateBatchOptions options)
    : list_(list), context_(context), options_(options) {
    if (options_.maxRunning == 0)
        options_.maxRunning = 1;
}

void UpdateBatch::start(std::vector<size_t> indexes) {
    order_ = std::move(indexes);
    slots_.assign(order_.size(), Slot::Waiting);
    hosts_.clear();
    for (const size_t index : order_) {
        const auto record = list_.record(index);
        hosts_.push_back(record ? urlHost(record->productURL) : std::u16string());
    }
    unreported_.clear();
    runningPerHost_.clear();
    firstWaiting_ = 0;
    reportCursor_ = 0;
    running_ = 0;
    cancelRequested_ = false;
    summary_ = UpdateBatchSummary{};
}

void UpdateBatch::startAll() { start(watchBranchOrder(list_)); }

bool UpdateBatch::passOver(size_t position) {
    if (slots_[position] == Slot::Passed)
        return true;
    if (slots_[position] != Slot::Waiting)
        return false;
    // The user may remove a product while the batch runs; it is checked
    // only if it is still there when its turn comes.
    const auto record = list_.record(order_[position]);
    if (record && record->removed == 0)
        return false;
    slots_[position] = Slot::Passed;
    return true;
}

bool UpdateBatch::hostIsFull(const std::u16string& host) const {
    if (options_.maxPerHost == 0)
        return false;
    const auto found = runningPerHost_.find(host);
    return found != runningPerHost_.end() && found->second >= options_.maxPerHost;
}

std::optional<BatchJob> UpdateBatch::nextJob() {
    if (cancelRequested_ || running_ >= options_.maxRunning)
        return std::nullopt;
    while (firstWaiting_ < slots_.size() && (slots_[firstWaiting_] != Slot::Waiting || passOver(firstWaiting_)))
        ++firstWaiting_;
    // The first waiting product whose host has room; a product of a busy
    // host waits while products of other hosts go ahead.
    for (size_t position = firstWaiting_; position < slots_.size(); ++position) {
        if (slots_[position] != Slot::Waiting || passOver(position) || hostIsFull(hosts_[position]))
            continue;
        BatchJob job;
        job.position = position;
        job.index = order_[position];
        job.before = *list_.record(job.index);
        job.download = makeDetailDownloadJob(job.before, context_.catalogue, context_.appFolder, context_.proxy);
        if (options_.ownScratchFiles)
            useOwnScratchFiles(job.download, formatInt(static_cast<long long>(position)));
        slots_[position] = Slot::Running;
        ++runningPerHost_[hosts_[position]];
        ++running_;
        ++summary_.checked;
        return job;
    }
    return std::nullopt;
}

BatchJobReport UpdateBatch::finishJob(const BatchJob& job, const DownloadResult& result) {
    if (job.position < slots_.size() && slots_[job.position] == Slot::Running) {
        slots_[job.position] = Slot::Finished;
        --running_;
        if (--runningPerHost_[hosts_[job.position]] == 0)
            runningPerHost_.erase(hosts_[job.position]);
    }
    BatchJobReport report;
    report.position = job.position;
    report.index = job.index;
    report.before = job.before;
    report.outcome = completeDownload(list_, job.index, result.success, job.download.outputPath, context_.clock);
    report.succeeded = result.success && !report.outcome.pageUnreadable;
    if (!result.success) {
        report.errorText = result.errorText;
        report.failure = result.failure.failed() ? result.failure : makeFailure(FailureKind::Other, u"the download failed");
    } else if (report.outcome.pageUnreadable) {
        report.errorText = std::u16string(kUnreadablePageText);
        report.failure = makeFailure(FailureKind::PageUnreadable);
    }
    if (report.saveFailed())
        report.failure = list_.lastSaveFailure();
    if (options_.ownScratchFiles) {
        removeFile(job.download.workspacePath);
        removeFile(job.download.outputPath);
    }

    if (!report.succeeded)
        ++summary_.failed;
    if (report.saveFailed())
        ++summary_.saveFailures;
    // Another process may own the folder now: whatever more this batch
    // found could not be saved without overwriting its work.
    if (report.outcome.lockLost) {
        summary_.lockLost = true;
        cancelRequested_ = true;
    }
    if (report.succeeded && report.outcome.record.isNew != 0)
        ++summary_.newProducts;
    unreported_[job.position] = report;
    return report;
}

void UpdateBatch::cancel() {
    if (isFinished())
        return;
    cancelRequested_ = true;
    summary_.cancelled = true;
}

bool UpdateBatch::isFinished() const {
    if (running_ > 0)
        return false;
    if (cancelRequested_)
        return true;
    for (size_t position = firstWaiting_; position < slots_.size(); ++position) {
        if (slots_[position] != Slot::Waiting)
            continue;
        const auto record = list_.record(order_[position]);
        if (record && record->removed == 0)
            return false;
    }
    return true;
}

std::vector<BatchJobReport> UpdateBatch::takeReportsInOrder() {
    std::vector<BatchJobReport> reports;
    while (reportCursor_ < slots_.size()) {
        const Slot slot = slots_[reportCursor_];
        if (slot == Slot::Finished) {
            const auto found = unreported_.find(reportCursor_);
            if (found != unreported_.end()) {
                reports.push_back(std::move(found->second));
                unreported_.erase(found);
            }
        } else if (slot == Slot::Running || (slot == Slot::Waiting && !cancelRequested_ && !passOver(reportCursor_))) {
            break;
        }
        ++reportCursor_;
    }
    return reports;
}

void reportToObserver(UpdateCheckObserver& observer, const BatchJobReport& report) {
    if (report.succeeded)
        observer.downloadSucceeded(report.index, report.before, report.outcome);
    else
        observer.downloadFailed(report.index, report.before, report.errorText, report.failure);
}

UpdateBatchSummary runUpdateChecks(WatchList& list, const std::vector<size_t>& indexes,
                                   const UpdateCheckContext& context, UpdateCheckObserver& observer) {
    UpdateBatch batch(list, context);
    batch.start(indexes);
    for (;;) {
        if (observer.cancelRequested())
            batch.cancel();
        const std::optional<BatchJob> job = batch.nextJob();
        if (!job)
            break;
        observer.downloadStarting(job->index, job->before);
        reportToObserver(observer, batch.finishJob(*job, runDownloadJob(job->download)));
    }
    return batch.summary();
}

} // namespace zelvon
