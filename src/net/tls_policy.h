#pragma once
// Certificate checks for one transfer, applied to libcurl's OpenSSL context.

#include <curl/curl.h>

#include <string>

namespace zelvon::net {

struct TlsOptions {
    // Secure requests accept a certificate for another host name and one
    // that is expired or not yet valid; the chain must still lead to a
    // trusted root.
    bool tolerateNameAndDate = false;
    // A PEM file of further trusted roots, added to the system's.
    std::string extraCaFile;
};

// Installs the options on one transfer (host-name check, verify callback,
// extra roots). False when libcurl refuses them.
bool applyTlsOptions(CURL* handle, const TlsOptions& options);

} // namespace zelvon::net
