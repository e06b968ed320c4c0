#include "net/transfer.h"

#include "net/curl_handle.h"
#include "net/tls_policy.h"

#include <curl/curl.h>

#include "foundation/text_codec.h"

#include <new>
#include <string_view>

namespace zelvon::net {
namespace {

using Clock = std::chrono::steady_clock;

// The platform read in blocks of this size; it stays libcurl's buffer size.
constexpr long kReceiveBufferBytes = 32000;

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

bool isFollowedRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Everything the callbacks of one transfer share. Lives on the stack of
// performTransfer, so concurrent transfers share nothing.
struct TransferState {
    CURL* handle = nullptr;
    const TransferLimits* limits = nullptr;
    std::string body;

    // The header block being received has a Location header.
    bool blockHasLocation = false;
    long finalStatus = 0;
    bool finalHeadersSeen = false;
    bool bodyStarted = false;

    // Stall watch: armed once a connection stands (the connect time-out
    // covers the time before), reset by every byte that arrives.
    bool watchArmed = false;
    Clock::time_point lastActivity = Clock::now();
    const Clock::time_point started = Clock::now();
    const std::atomic<bool>* abort = nullptr;

    bool stalled = false;
    bool tooLarge = false;
    bool statusRejected = false;
    bool pastTotalTimeout = false;
    bool cancelled = false;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    void noteActivity() { lastActivity = Clock::now(); }
};

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto& state = *static_cast<TransferState*>(user);
    const size_t bytes = size * count;
    const std::string_view line(data, bytes);
    state.noteActivity();
    if (startsWithNoCase(line, "location:")) {
        state.blockHasLocation = true;
    } else if (line == "\r\n" || line == "\n") {
        // End of a header block (each redirect hop sends one). The status is
        // libcurl's own reading of the block's status line: a header that
        // merely looks like a status line must not turn a 404 into a 200.
        long status = 0;
        if (curl_easy_getinfo(state.handle, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK)
            status = 0;
        // Informational replies and redirects that libcurl will follow are
        // not the final response.
        const bool followed = isFollowedRedirect(status) && state.blockHasLocation;
        state.blockHasLocation = false;
        if (status >= 200 && !followed) {
            state.finalHeadersSeen = true;
            state.finalStatus = status;
            if (status != 200) {
                // Only a 200 body is ever stored: don't download the rest.
                state.statusRejected = true;
                return 0;
            }
        }
    }
    return bytes;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto& state = *static_cast<TransferState*>(user);
    const size_t bytes = size * count;
    state.noteActivity();
    state.bodyStarted = true;
    if (bytes > state.limits->maxBodyBytes - state.body.size()) {
        state.tooLarge = true;
        return 0;
    }
    try {
        state.body.append(data, bytes);
    } catch (const std::bad_alloc&) {
        // No exception may cross libcurl's C frames.
        state.tooLarge = true;
        return 0;
    }
    return bytes;
}

int onConnected(void* user, char*, char*, int, int) {
    auto& state = *static_cast<TransferState*>(user);
    state.watchArmed = true;
    state.noteActivity();
    return CURL_PREREQFUNC_OK;
}

// libcurl calls this often while data flows and about once a second while
// it waits, which bounds how late a stall is noticed.
int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& state = *static_cast<TransferState*>(user);
    if (state.abort != nullptr && state.abort->load()) {
        state.cancelled = true;
        return 1;
    }
    const auto now = Clock::now();
    const auto total = state.limits->totalTimeout;
    if (total.count() > 0 && now - state.started >= total) {
        state.pastTotalTimeout = true;
        return 1;
    }
    if (state.watchArmed && now - state.lastActivity >= state.limits->stallTimeout) {
        state.stalled = true;
        return 1;
    }
    return 0;
}

template <typename Value>
bool set(CURL* handle, CURLoption option, Value value) {
    return curl_easy_setopt(handle, option, value) == CURLE_OK;
}

bool configure(CURL* handle, const TransferRequest& request, const CurlHeaderList& headers, TransferState& state, const TlsOptions& tls) {
    bool ok = set(handle, CURLOPT_URL, request.url.c_str());
    ok = ok && set(handle, CURLOPT_NOSIGNAL, 1L);
    ok = ok && set(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    ok = ok && set(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    ok = ok && set(handle, CURLOPT_FOLLOWLOCATION, 1L);
    ok = ok && set(handle, CURLOPT_MAXREDIRS, request.limits.maxRedirects);
    ok = ok && set(handle, CURLOPT_USERAGENT, "CeHttp");
    ok = ok && set(handle, CURLOPT_HTTPHEADER, headers.get());
    // A reply without a status line is accepted as a body with no status.
    ok = ok && set(handle, CURLOPT_HTTP09_ALLOWED, 1L);
    ok = ok && set(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.limits.connectTimeout.count()));
    // The progress callback ends the transfer at the total limit; libcurl's
    // own limit, a second later, only backs it up.
    if (request.limits.totalTimeout.count() > 0)
        ok = ok && set(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(request.limits.totalTimeout.count() + 1000));
    ok = ok && set(handle, CURLOPT_ERRORBUFFER, state.errorBuffer);
    ok = ok && set(handle, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    // Fails early when the announced length is already over the cap.
    ok = ok && set(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.limits.maxBodyBytes));

    switch (request.access) {
    case ProxyAccess::Configured:
        break; // libcurl reads http_proxy, https_proxy and no_proxy itself
    case ProxyAccess::Direct:
        ok = ok && set(handle, CURLOPT_PROXY, "");
        break;
    case ProxyAccess::Explicit:
        ok = ok && set(handle, CURLOPT_PROXY, request.proxy.c_str());
        // The caller named the proxy for every host: no_proxy doesn't apply.
        ok = ok && set(handle, CURLOPT_NOPROXY, "");
        break;
    }
    // The proxy's reply to CONNECT must not pass for the origin's headers.
    ok = ok && set(handle, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

    ok = ok && set(handle, CURLOPT_HEADERFUNCTION, &onHeader) && set(handle, CURLOPT_HEADERDATA, &state);
    ok = ok && set(handle, CURLOPT_WRITEFUNCTION, &onBody) && set(handle, CURLOPT_WRITEDATA, &state);
    ok = ok && set(handle, CURLOPT_PREREQFUNCTION, &onConnected) && set(handle, CURLOPT_PREREQDATA, &state);
    ok = ok && set(handle, CURLOPT_XFERINFOFUNCTION, &onProgress) && set(handle, CURLOPT_XFERINFODATA, &state);
    ok = ok && set(handle, CURLOPT_NOPROGRESS, 0L);
    return ok && applyTlsOptions(handle, tls);
}

TransferError classify(CURLcode code, const TransferState& state, bool responseStarted) {
    if (state.cancelled)
        return TransferError::Cancelled;
    if (state.pastTotalTimeout)
        return TransferError::TimedOut;
    if (state.stalled)
        return TransferError::Stalled;
    if (state.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
        return TransferError::TooLarge;
    if (state.statusRejected)
        return TransferError::HttpStatus;
    if (code == CURLE_OPERATION_TIMEDOUT && state.limits->totalTimeout.count() > 0 &&
        Clock::now() - state.started >= state.limits->totalTimeout)
        return TransferError::TimedOut;
    return responseStarted ? TransferError::ReadFailed : TransferError::NotOpened;
}

// "host:port" of the URL libcurl last worked on, for "refused (host:port)".
std::string hostAndPort(CURL* handle, const std::string& fallbackUrl) {
    const char* effective = nullptr;
    const std::string url = curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective != nullptr
                                ? std::string(effective)
                                : fallbackUrl;
    std::string result;
    if (CURLU* parsed = curl_url()) {
        char* host = nullptr;
        char* port = nullptr;
        if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
            curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
            curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK)
            result = std::string(host) + ":" + port;
        curl_free(host);
        curl_free(port);
        curl_url_cleanup(parsed);
    }
    return result;
}

bool isTlsFailure(CURLcode code) {
    switch (code) {
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
        return true;
    default:
        return false;
    }
}

// The cause in words a user can act on. libcurl's own message goes along as
// the detail wherever it adds something.
// One wording for a handle that could not be made ready, whichever step failed.
Failure setupFailure() { return makeFailure(FailureKind::Other, u"the download could not be set up"); }

Failure describeCause(CURLcode code, TransferError error, const TransferRequest& request, TransferState& state, long status) {
    const std::string curlText = state.errorBuffer[0] != '\0' ? std::string(state.errorBuffer)
                                                               : (code != CURLE_OK ? std::string(curl_easy_strerror(code)) : std::string());
    const bool viaNamedProxy = request.access == ProxyAccess::Explicit;
    switch (error) {
    case TransferError::None: return {};
    case TransferError::SetupFailed: return setupFailure();
    case TransferError::Cancelled: return makeFailure(FailureKind::Cancelled);
    case TransferError::TimedOut: return makeTimeLimitFailure(request.limits.totalTimeout.count());
    case TransferError::Stalled: return makeStallFailure(request.limits.stallTimeout.count());
    case TransferError::TooLarge: {
        const auto mebibytes = request.limits.maxBodyBytes / (1024 * 1024);
        return makeFailure(FailureKind::TooLarge, u"more than " + u16(std::to_string(mebibytes)) + u" MiB");
    }
    case TransferError::HttpStatus: return makeHttpFailure(status);
    case TransferError::ReadFailed: return makeFailure(FailureKind::ConnectionLost, u16(curlText));
    case TransferError::NotOpened: break;
    }
    if (code == CURLE_COULDNT_RESOLVE_PROXY || (viaNamedProxy && (code == CURLE_COULDNT_CONNECT || code == CURLE_OPERATION_TIMEDOUT ||
                                                                   code == CURLE_RECV_ERROR || code == CURLE_SEND_ERROR ||
                                                                   code == CURLE_GOT_NOTHING) && !state.watchArmed)) {
        // The environment's proxy is named only in libcurl's message
        // ("Could not resolve proxy: NAME").
        const size_t named = curlText.rfind(": ");
        return makeFailure(FailureKind::ProxyFailed, u16(viaNamedProxy ? request.proxy
                                                         : named == std::string::npos ? std::string()
                                                                                      : curlText.substr(named + 2)));
    }
    if (code == CURLE_COULDNT_RESOLVE_HOST)
        return makeFailure(FailureKind::NameResolution, u16(curlText));
    if (code == CURLE_COULDNT_CONNECT)
        return makeFailure(FailureKind::ConnectionRefused, u16(hostAndPort(state.handle, request.url)));
    if (code == CURLE_OPERATION_TIMEDOUT)
        return makeFailure(FailureKind::TimedOut, u16(curlText));
    if (isTlsFailure(code))
        return makeFailure(FailureKind::TlsCertificate, u16(curlText));
    if (code == CURLE_GOT_NOTHING || code == CURLE_RECV_ERROR || code == CURLE_SEND_ERROR || code == CURLE_PARTIAL_FILE)
        return makeFailure(FailureKind::ConnectionLost, u16(curlText));
    return makeFailure(FailureKind::Other, u16(curlText.empty() ? std::string("no answer was received") : curlText));
}

} // namespace

TransferOutcome performTransfer(const TransferRequest& request) {
    TransferOutcome outcome;
    outcome.failure = setupFailure();
    CurlEasy handle(curl_easy_init());
    CurlHeaderList headers;
    if (!handle || !headers.append("Cache-Control: no-cache") || !headers.append("Pragma: no-cache"))
        return outcome;

    TransferState state;
    state.handle = handle.get();
    state.limits = &request.limits;
    state.abort = request.abort;
    const TlsOptions tls{request.secure, request.extraCaFile};
    if (!configure(handle.get(), request, headers, state, tls))
        return outcome;

    const CURLcode code = curl_easy_perform(handle.get());
    outcome.responseStarted = state.finalHeadersSeen || state.bodyStarted;
    outcome.status = state.finalStatus;
    if (code != CURLE_OK) {
        outcome.error = classify(code, state, outcome.responseStarted);
    } else if (!outcome.responseStarted) {
        // A clean end without any final response (libcurl normally reports
        // this as an error itself): nothing was received.
        outcome.error = TransferError::NotOpened;
    } else if (outcome.status != 0 && outcome.status != 200) {
        outcome.error = TransferError::HttpStatus;
    } else {
        outcome.error = TransferError::None;
        outcome.body = std::move(state.body);
        return outcome;
    }
    outcome.failure = describeCause(code, outcome.error, request, state, outcome.status);
    return outcome;
}

bool requestNeverOpened(const TransferOutcome& outcome) {
    return !outcome.responseStarted && (outcome.error == TransferError::NotOpened || outcome.error == TransferError::Stalled);
}

const char* describe(TransferError error) {
    switch (error) {
    case TransferError::None: return "none";
    case TransferError::SetupFailed: return "setup failed";
    case TransferError::NotOpened: return "request not opened";
    case TransferError::HttpStatus: return "status other than 200";
    case TransferError::Stalled: return "stalled";
    case TransferError::TooLarge: return "body too large";
    case TransferError::ReadFailed: return "read failed";
    case TransferError::TimedOut: return "timed out";
    case TransferError::Cancelled: return "cancelled";
    }
    return "unknown";
}

} // namespace zelvon::net
