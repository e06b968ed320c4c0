#pragma once
// Checks a series of watched products one at a time, on the calling thread:
// the command line's driver. Progress goes to an observer, the same
// interface the window's pane implements, so both show the same steps.

#include "foundation/formatting.h"
#include "watch/download_completion.h"
#include "watch/proxy_settings.h"

#include <string>
#include <vector>

namespace zelvon {

class Clock;
class ScriptCatalogue;
class WatchList;

class UpdateCheckObserver {
public:
    virtual ~UpdateCheckObserver() = default;
    // `record` is the product as it stood before its download.
    virtual void downloadStarting(size_t index, const ProductRecord& record) = 0;
    virtual void downloadSucceeded(size_t index, const ProductRecord& before, const CompletionOutcome& outcome) = 0;
    virtual void downloadFailed(size_t index, const ProductRecord& before, const std::u16string& errorText) = 0;
    // Asked between products; a download under way always runs to its end.
    virtual bool cancelRequested() { return false; }
};

struct UpdateCheckContext {
    std::u16string appFolder;
    const ScriptCatalogue& catalogue;
    ProxySettings proxy;
    const Clock& clock;
};

struct UpdateBatchSummary {
    size_t checked = 0;      // downloads started
    size_t failed = 0;       // downloads that failed
    size_t saveFailures = 0; // successful downloads whose list save failed
    bool cancelled = false;
};

// Checks the records at `indexes` in the order given. Indexes out of range
// and removed records are passed over. Each success is written back and
// saved at once, so an interrupted batch keeps what it has found.
UpdateBatchSummary runUpdateChecks(WatchList& list, const std::vector<size_t>& indexes,
                                   const UpdateCheckContext& context, UpdateCheckObserver& observer);

} // namespace zelvon
