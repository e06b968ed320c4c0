#pragma once
// The worker side of a product update check: everything a download needs,
// copied, so it can run on another thread while the list stays with its
// owner. Running a job touches no list, tree or pane.

#include "foundation/failure.h"
#include "watch/product_record.h"
#include "watch/proxy_settings.h"

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

namespace zelvon {

class ScriptCatalogue;

struct DownloadJob {
    std::u16string appFolder;
    std::u16string url;           // the record's stored productURL
    std::u16string scriptPath;    // the catalogue's productDetail script
    std::u16string outputPath;    // appFolder + "/cache/productTemp.txt"
    std::u16string workspacePath; // appFolder + "/cache/workspace.htm"
    ProxySettings proxy;
    // Set to stop the running transfer within about a second (the window
    // closing, a signal); null when nothing can stop it.
    std::shared_ptr<std::atomic<bool>> abort;
};

struct DownloadResult {
    bool success = false;
    std::u16string errorText; // the transformer's messages after a failure
    Failure failure;          // why it failed, beside the described texts
};

// The URL is the one stored when the product was added, not one rebuilt
// from the current catalogue.
DownloadJob makeDetailDownloadJob(const ProductRecord& record, const ScriptCatalogue& catalogue,
                                  std::u16string_view appFolder, const ProxySettings& proxy);

// Gives the job a work file and an output file of its own under
// appFolder/cache, named after `tag`, so several jobs can run at once.
void useOwnScratchFiles(DownloadJob& job, std::u16string_view tag);

// Runs the detail transformer for the job. The page and the output are
// scratch files, written without syncs. Jobs with the same work file must
// not run at once.
DownloadResult runDownloadJob(const DownloadJob& job);

} // namespace zelvon
