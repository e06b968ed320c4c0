#include "watch/download_job.h"

#include "engine/transformer.h"
#include "watch/script_catalogue.h"

namespace zelvon {

DownloadJob makeDetailDownloadJob(const ProductRecord& record, const ScriptCatalogue& catalogue,
                                  std::u16string_view appFolder, const ProxySettings& proxy) {
    DownloadJob job;
    job.appFolder = std::u16string(appFolder);
    job.url = record.productURL;
    job.scriptPath = std::u16string(appFolder) + u"/scripts/" + catalogue.productDetail().nrt;
    job.outputPath = std::u16string(appFolder) + u"/cache/productTemp.txt";
    job.workspacePath = std::u16string(appFolder) + u"/cache/workspace.htm";
    job.proxy = proxy;
    return job;
}

DownloadResult runDownloadJob(const DownloadJob& job) {
    Transformer transformer(job.appFolder);
    transformer.setUseProxy(job.proxy.useProxy);
    transformer.setProxy(job.proxy.address, job.proxy.port);
    transformer.setWorkspacePath(job.workspacePath);
    DownloadResult result;
    result.success = transformer.run(job.scriptPath, job.outputPath, job.url);
    if (!result.success)
        result.errorText = transformer.errorText();
    return result;
}

} // namespace zelvon
