#pragma once
// Why something failed, carried beside the fixed texts the user already
// sees ("Could not download:  URL", a box, a pane line). The net layer
// fills it from libcurl, the file layer from the system's error text, the
// flows add the causes only they can know (a page the scripts could not
// read); the front ends print describeFailure next to their own text.

#include <string>
#include <string_view>

namespace zelvon {

enum class FailureKind {
    None,
    NameResolution,    // the host (or the proxy's host) has no address
    ConnectionRefused, // nothing listens, or the host cannot be reached
    TimedOut,          // the connection or the whole download took too long
    Stalled,           // the connection stood but no data arrived for a while
    TlsCertificate,    // the TLS handshake or the server's certificate failed
    HttpStatus,        // the server answered with a status other than 200
    TooLarge,          // the answer passed the download size cap
    WriteFailed,       // the file could not be written (full disk, permission)
    ReadFailed,        // a file could not be read
    Cancelled,         // the user stopped it
    PageUnreadable,    // downloaded, but the parsing scripts found nothing
    ProxyFailed,       // the proxy could not be resolved or reached
    Refused,           // the program refused it (a destination, a URL)
    ConnectionLost,    // the connection broke while the answer arrived
    Other,             // anything else; detail says what
};

struct Failure {
    FailureKind kind = FailureKind::None;
    // The status of an HttpStatus failure.
    long httpStatus = 0;
    // What the layer that saw the failure knows in words: libcurl's message,
    // the system's error text, the proxy's "host:port", a time limit.
    std::u16string detail;
    // The errno of a WriteFailed or ReadFailed failure (0 when unknown):
    // picks "the disk is full" over a bare system text.
    int systemError = 0;
    // The limit that was passed, for TimedOut and Stalled (0: unknown).
    long long limitMs = 0;

    bool failed() const { return kind != FailureKind::None; }
};

// Convenience for the layers that build failures.
Failure makeFailure(FailureKind kind, std::u16string detail = {});
Failure makeHttpFailure(long status);
// A failed file write from errno: full disk, permission, read-only.
Failure makeWriteFailure(int errorNumber);
Failure makeReadFailure(int errorNumber);
// The time limits name their length in the sentence.
Failure makeTimeLimitFailure(long long limitMs);
Failure makeStallFailure(long long limitMs);

// The request itself failed (server down, refused, timed out, an error
// status, a full disk...), as opposed to a page that arrived but could not
// be used.
bool isRequestFailure(const Failure& failure);

// One user-facing sentence (lower-case start, no final stop) naming the
// cause, for example "the server answered 404 Not Found".
std::u16string describeFailure(const Failure& failure);

// A stable token per kind for machine-readable output ("connection-refused").
std::string_view failureKindName(FailureKind kind);

// The reason phrase of an HTTP status ("Not Found"), empty when unknown.
std::string_view httpReasonPhrase(long status);

} // namespace zelvon
