#include "net/http_fetcher.h"

#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "net/access_plan.h"
#include "net/transfer.h"
#include "net/url_rules.h"

#include <curl/curl.h>

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace zelvon {
namespace {

std::once_flag curlInitOnce;
// Written by platformCheck (once, at start-up) and read by every fetch.
std::atomic<int> platformGenerationValue{0};
std::atomic<bool> platformChecked{false};

std::string extraCaFile() {
    const char* file = std::getenv("ZELVON_CA_FILE");
    return file != nullptr ? std::string(file) : std::string();
}

} // namespace

void HttpFetcher::globalInit() {
    std::call_once(curlInitOnce, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool HttpFetcher::platformCheck() {
    // A desktop system always offers configured proxy settings, a direct
    // connection and the direct retry: the most capable generation.
    platformGenerationValue.store(2);
    platformChecked.store(true);
    return platformGenerationValue.load() != 0;
}

int HttpFetcher::platformGeneration() { return platformGenerationValue.load(); }

bool HttpFetcher::fetchToFile(const std::u16string& url, const std::u16string& destPath, int useProxy, const std::u16string& proxy) {
    globalInit();
    if (!platformChecked.load())
        platformCheck();

    // A NUL would silently shorten the path on its way to the file system
    // and replace some other file; nothing to download for either case.
    if (destPath.empty() || destPath.find(u'\0') != std::u16string::npos)
        return false;

    net::TransferRequest request;
    request.url = toUtf8(url);
    if (!net::isFetchableUrl(request.url))
        return false;
    request.proxy = toUtf8(proxy);
    if (useProxy != 0 && request.proxy.find('\0') != std::string::npos)
        return false; // libcurl would see a shortened proxy name
    request.secure = net::isSecureRequest(request.url);
    request.extraCaFile = extraCaFile();

    const net::AccessPlan plan = net::planAccess(useProxy, platformGeneration());
    net::TransferOutcome outcome;
    for (const net::ProxyAccess access : plan.handleAccess) {
        request.access = access;
        outcome = net::performTransfer(request);
        if (outcome.error != net::TransferError::SetupFailed)
            break;
    }
    if (outcome.error == net::TransferError::SetupFailed)
        return false;
    if (plan.retryDirectly && net::requestNeverOpened(outcome)) {
        // Once more without any proxy. The limits stay: without them a
        // silent server would hold the caller for ever.
        request.access = net::ProxyAccess::Direct;
        outcome = net::performTransfer(request);
    }
    if (outcome.error != net::TransferError::None)
        return false;
    // Written only now, whole, through a temporary file: a failure anywhere
    // above or here leaves an existing destination exactly as it was.
    return writeFileAtomically(destPath, outcome.body);
}

} // namespace zelvon
