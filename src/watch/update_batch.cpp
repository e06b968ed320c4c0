#include "watch/update_batch.h"

#include "watch/download_job.h"
#include "watch/watch_list.h"

namespace zelvon {

UpdateBatchSummary runUpdateChecks(WatchList& list, const std::vector<size_t>& indexes,
                                   const UpdateCheckContext& context, UpdateCheckObserver& observer) {
    UpdateBatchSummary summary;
    for (const size_t index : indexes) {
        if (observer.cancelRequested()) {
            summary.cancelled = true;
            break;
        }
        const auto before = list.record(index);
        if (!before || before->removed != 0)
            continue;
        observer.downloadStarting(index, *before);
        const DownloadJob job = makeDetailDownloadJob(*before, context.catalogue, context.appFolder, context.proxy);
        const DownloadResult result = runDownloadJob(job);
        ++summary.checked;
        const CompletionOutcome outcome = completeDownload(list, index, result.success, job.outputPath, context.clock);
        if (result.success) {
            if (outcome.updated && !outcome.saved)
                ++summary.saveFailures;
            observer.downloadSucceeded(index, *before, outcome);
        } else {
            ++summary.failed;
            observer.downloadFailed(index, *before, result.errorText);
        }
    }
    return summary;
}

} // namespace zelvon
