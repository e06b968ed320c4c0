#pragma once
// One HTTP GET through libcurl with the fetcher's limits, collecting the
// body in memory. The caller decides what a failure means (retry, give up).

#include "foundation/failure.h"
#include "net/access_plan.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>

namespace zelvon::net {

struct TransferLimits {
    std::chrono::milliseconds connectTimeout{5000};
    // A transfer that receives nothing for this long fails. Timed by our
    // own progress callback: libcurl's low-speed limit fires seconds late.
    std::chrono::milliseconds stallTimeout{10000};
    // A larger body fails instead of exhausting memory.
    std::size_t maxBodyBytes = std::size_t{64} * 1024 * 1024;
    long maxRedirects = 10;
    // The whole transfer, connecting included, fails after this long, so a
    // server that trickles a byte now and then cannot hold it for ever.
    // Zero: no limit.
    std::chrono::milliseconds totalTimeout{0};
};

struct TransferRequest {
    std::string url; // UTF-8, passed to libcurl unchanged
    ProxyAccess access = ProxyAccess::Configured;
    std::string proxy; // "host:port", used with ProxyAccess::Explicit
    bool secure = false; // tolerate certificate name and date errors
    std::string extraCaFile;
    TransferLimits limits;
    // When set and true, the transfer stops within about a second.
    const std::atomic<bool>* abort = nullptr;
};

enum class TransferError {
    None,
    SetupFailed,   // the handle could not be created or configured
    NotOpened,     // no response: refused, unresolved, TLS failure, redirect trouble...
    HttpStatus,    // a final status other than 200
    Stalled,       // nothing arrived for the stall time-out
    TooLarge,      // the body passed the size cap
    ReadFailed,    // the connection broke while the response was arriving
    TimedOut,      // the total time limit passed
    Cancelled,     // the abort flag was set
};

struct TransferOutcome {
    TransferError error = TransferError::SetupFailed;
    // 0 when the response carried no status line (HTTP/0.9 style).
    long status = 0;
    // The final response had begun (its headers or body bytes arrived):
    // a failure from here on is a read failure, not an unopened request.
    bool responseStarted = false;
    std::string body;
    // The cause in the program's own terms, with libcurl's message.
    Failure failure;
};

TransferOutcome performTransfer(const TransferRequest& request);

// A request that got no response at all: refused, unreachable, failed in
// TLS, lost in redirects, or met with silence before the final response
// began. Only such a request is worth trying again another way.
bool requestNeverOpened(const TransferOutcome& outcome);

// A short name of the failure, for diagnostics and test messages.
const char* describe(TransferError error);

} // namespace zelvon::net
