#include "watch/download_job.h"

#include "engine/transformer.h"
#include "foundation/file_io.h"
#include "watch/app_paths.h"
#include "watch/script_catalogue.h"

namespace zelvon {

DownloadJob makeDetailDownloadJob(const ProductRecord& record, const ScriptCatalogue& catalogue,
                                  std::u16string_view appFolder, const ProxySettings& proxy) {
    DownloadJob job;
    job.appFolder = std::u16string(appFolder);
    job.url = record.productURL;
    job.scriptPath = std::u16string(appFolder) + u"/scripts/" + catalogue.productDetail().nrt;
    job.outputPath = productTempFilePath(appFolder);
    job.workspacePath = workspaceFilePath(appFolder);
    job.proxy = proxy;
    return job;
}

void useOwnScratchFiles(DownloadJob& job, std::u16string_view tag) {
    const std::u16string stem = job.appFolder + u"/cache/job-" + std::u16string(tag);
    job.workspacePath = stem + u"-workspace.htm";
    job.outputPath = stem + u"-productTemp.txt";
}

DownloadResult runDownloadJob(const DownloadJob& job) {
    // Both files are read straight back by this run and its completion;
    // after a crash they are worth nothing, so they need no syncs.
    const ScratchWriteScope scratch;
    Transformer transformer(job.appFolder);
    configureDownload(transformer, job.proxy, job.workspacePath, job.abort);
    DownloadResult result;
    result.success = transformer.run(job.scriptPath, job.outputPath, job.url);
    if (!result.success) {
        result.errorText = transformer.errorText();
        result.failure = transformer.failure();
    }
    return result;
}

} // namespace zelvon
