#pragma once
// A check over several products with downloads running side by side, for
// the command line: each job on a thread of its own with its own work and
// output file, every completion applied and the list saved on the calling
// thread as the job ends. The observer hears about the products in the
// batch's order whatever order the downloads end in, so the report of a
// run does not change from one run to the next.

#include "watch/update_batch.h"

#include <vector>

namespace zelvon {

struct ParallelCheckOptions {
    size_t jobs = 8;    // downloads at once; 1 is the one-at-a-time check
    size_t perHost = 0; // downloads at once to one host; 0: as many as jobs
};

// Checks the records at `indexes` like runUpdateChecks. The observer's
// cancelRequested is asked between completions (and at least every 100 ms):
// once it says yes, nothing new starts, the running downloads end and are
// applied and saved, and the call returns.
UpdateBatchSummary runParallelChecks(WatchList& list, const std::vector<size_t>& indexes,
                                     const UpdateCheckContext& context, UpdateCheckObserver& observer,
                                     const ParallelCheckOptions& options);

} // namespace zelvon
