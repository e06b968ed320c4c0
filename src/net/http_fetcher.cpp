#include "net/http_fetcher.h"

#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "net/access_plan.h"
#include "net/transfer.h"
#include "net/url_rules.h"

#include <curl/curl.h>

#include <algorithm>
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

FetchResult HttpFetcher::fetchToFile(const std::u16string& url, const std::u16string& destPath, int useProxy,
                                     const std::u16string& proxy, const FetchOptions& options) {
    globalInit();
    if (!platformChecked.load())
        platformCheck();
    FetchResult result;

    // A NUL would silently shorten the path on its way to the file system
    // and replace some other file; nothing to download for either case.
    if (destPath.empty() || destPath.find(u'\0') != std::u16string::npos) {
        result.failure = makeFailure(FailureKind::Refused, u"the file to download to has no usable name");
        return result;
    }

    net::TransferRequest request;
    request.url = toUtf8(url);
    if (!net::isFetchableUrl(request.url)) {
        result.failure = makeFailure(FailureKind::Refused, u"the address is not an http or https address: " + url);
        return result;
    }
    request.proxy = toUtf8(proxy);
    if (useProxy != 0 && request.proxy.find('\0') != std::string::npos) {
        // libcurl would see a shortened proxy name
        result.failure = makeFailure(FailureKind::ProxyFailed, u"with an unusable name");
        return result;
    }
    request.secure = net::isSecureRequest(request.url);
    request.extraCaFile = extraCaFile();
    request.abort = options.abort.get();
    request.limits.stallTimeout = options.stallLimit;
    const auto deadline = std::chrono::steady_clock::now() + options.timeLimit;
    // Each attempt gets what is left of the whole download's time.
    const auto timeLeft = [&]() -> bool {
        if (options.timeLimit.count() <= 0)
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        request.limits.totalTimeout = std::max(left, std::chrono::milliseconds(1));
        return left.count() > 0;
    };

    const net::AccessPlan plan = net::planAccess(useProxy, platformGeneration());
    net::TransferOutcome outcome;
    for (const net::ProxyAccess access : plan.handleAccess) {
        request.access = access;
        timeLeft();
        outcome = net::performTransfer(request);
        if (outcome.error != net::TransferError::SetupFailed)
            break;
    }
    if (outcome.error == net::TransferError::SetupFailed) {
        result.failure = outcome.failure;
        return result;
    }
    if (options.retryDirectly && plan.retryDirectly && net::requestNeverOpened(outcome) && timeLeft()) {
        // Once more without any proxy. The limits stay: without them a
        // silent server would hold the caller for ever.
        request.access = net::ProxyAccess::Direct;
        outcome = net::performTransfer(request);
    }
    if (outcome.error != net::TransferError::None) {
        // The limit of the whole download, not what was left for this try.
        result.failure = outcome.error == net::TransferError::TimedOut ? makeTimeLimitFailure(options.timeLimit.count()) : outcome.failure;
        return result;
    }
    // Written only now, whole, through a temporary file: a failure anywhere
    // above or here leaves an existing destination exactly as it was.
    int writeError = 0;
    if (!writeFileAtomically(destPath, outcome.body, writeError)) {
        result.failure = makeWriteFailure(writeError);
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace zelvon
