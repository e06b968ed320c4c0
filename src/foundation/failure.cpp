#include "foundation/failure.h"

#include "foundation/text_codec.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace zelvon {
namespace {

std::u16string systemErrorText(int errorNumber) {
    // strerror's text is the one users search for; it is only read here,
    // on the thread that saw the error, before the next call could change it.
    return u16(std::strerror(errorNumber));
}

// "60 seconds", "1 second", "2.5 seconds".
std::u16string formatSeconds(long long ms) {
    const long long tenths = (ms + 50) / 100;
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0)
        text += "." + std::to_string(tenths % 10);
    return u16(text) + (tenths == 10 ? u" second" : u" seconds");
}

std::u16string withDetail(std::u16string sentence, const std::u16string& detail) {
    if (!detail.empty())
        sentence += u": " + detail;
    return sentence;
}

std::u16string diskSentence(int errorNumber, std::u16string_view fallback) {
    switch (errorNumber) {
    case ENOSPC: return u"the disk is full";
    case EDQUOT: return u"the disk quota is used up";
    case EROFS: return u"the disk is read-only";
    case EACCES:
    case EPERM: return u"the file may not be written here";
    default: return std::u16string(fallback);
    }
}

} // namespace

Failure makeFailure(FailureKind kind, std::u16string detail) {
    Failure failure;
    failure.kind = kind;
    failure.detail = std::move(detail);
    return failure;
}

Failure makeHttpFailure(long status) {
    Failure failure;
    failure.kind = FailureKind::HttpStatus;
    failure.httpStatus = status;
    return failure;
}

namespace {

// A failure of the system with its error number and the system's words for it.
Failure systemFailure(FailureKind kind, int errorNumber) {
    Failure failure = makeFailure(kind, errorNumber != 0 ? systemErrorText(errorNumber) : std::u16string());
    failure.systemError = errorNumber;
    return failure;
}

} // namespace

Failure makeWriteFailure(int errorNumber) { return systemFailure(FailureKind::WriteFailed, errorNumber); }

Failure makeReadFailure(int errorNumber) { return systemFailure(FailureKind::ReadFailed, errorNumber); }

Failure makeTimeLimitFailure(long long limitMs) {
    Failure failure = makeFailure(FailureKind::TimedOut);
    failure.limitMs = limitMs;
    return failure;
}

Failure makeStallFailure(long long limitMs) {
    Failure failure = makeFailure(FailureKind::Stalled);
    failure.limitMs = limitMs;
    return failure;
}

bool isRequestFailure(const Failure& failure) {
    switch (failure.kind) {
    case FailureKind::None:
    case FailureKind::PageUnreadable:
    case FailureKind::ReadFailed:
    case FailureKind::Other:
        return false;
    default:
        return true;
    }
}

std::u16string describeFailure(const Failure& failure) {
    const std::u16string& detail = failure.detail;
    switch (failure.kind) {
    case FailureKind::None: return u"no failure";
    case FailureKind::NameResolution: return withDetail(u"the server's name could not be resolved", detail);
    case FailureKind::ConnectionRefused:
        return detail.empty() ? u"the server refused the connection" : u"the server refused the connection (" + detail + u")";
    case FailureKind::TimedOut:
        if (failure.limitMs > 0)
            return u"the download took longer than " + formatSeconds(failure.limitMs);
        return withDetail(u"the connection timed out", detail);
    case FailureKind::Stalled:
        if (failure.limitMs > 0)
            return u"no data arrived for " + formatSeconds(failure.limitMs);
        return u"no data arrived in time";
    case FailureKind::TlsCertificate: return withDetail(u"the secure connection failed", detail);
    case FailureKind::HttpStatus: {
        std::u16string text = u"the server answered " + u16(std::to_string(failure.httpStatus));
        const std::string_view reason = httpReasonPhrase(failure.httpStatus);
        if (!reason.empty())
            text += u" " + u16(reason);
        return text;
    }
    case FailureKind::TooLarge: return withDetail(u"the download passed the size limit", detail);
    case FailureKind::WriteFailed: return withDetail(diskSentence(failure.systemError, u"the file could not be written"), detail);
    case FailureKind::ReadFailed: return withDetail(u"the file could not be read", detail);
    case FailureKind::Cancelled: return u"the download was stopped";
    case FailureKind::PageUnreadable:
        return u"the store page could not be read; the parsing scripts may be out of date (Options > Check for Parsing Scripts)";
    case FailureKind::ProxyFailed:
        return detail.empty() ? u"the proxy could not be reached" : u"the proxy " + detail + u" could not be reached";
    case FailureKind::Refused: return detail.empty() ? u"the request was refused" : detail;
    case FailureKind::ConnectionLost: return withDetail(u"the connection broke off during the download", detail);
    case FailureKind::Other: return detail.empty() ? u"an unknown error occurred" : detail;
    }
    return detail;
}

std::string_view failureKindName(FailureKind kind) {
    switch (kind) {
    case FailureKind::None: return "none";
    case FailureKind::NameResolution: return "name-resolution";
    case FailureKind::ConnectionRefused: return "connection-refused";
    case FailureKind::TimedOut: return "timed-out";
    case FailureKind::Stalled: return "stalled";
    case FailureKind::TlsCertificate: return "tls-certificate";
    case FailureKind::HttpStatus: return "http-status";
    case FailureKind::TooLarge: return "too-large";
    case FailureKind::WriteFailed: return "write-failed";
    case FailureKind::ReadFailed: return "read-failed";
    case FailureKind::Cancelled: return "cancelled";
    case FailureKind::PageUnreadable: return "page-unreadable";
    case FailureKind::ProxyFailed: return "proxy-failed";
    case FailureKind::Refused: return "refused";
    case FailureKind::ConnectionLost: return "connection-lost";
    case FailureKind::Other: return "other";
    }
    return "other";
}

std::string_view httpReasonPhrase(long status) {
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 407: return "Proxy Authentication Required";
    case 408: return "Request Timeout";
    case 410: return "Gone";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return {};
    }
}

} // namespace zelvon
