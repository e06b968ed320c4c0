#pragma once
// Checks made on a URL before anything goes on the wire.

#include <string_view>

namespace zelvon::net {

// Only absolute http and https URLs (scheme in any case) are fetched; an
// empty text, another scheme, a missing "//" or an embedded NUL (which would
// cut the URL short on its way into libcurl) is refused.
bool isFetchableUrl(std::string_view url);

// A URL whose lower-case form contains "https://" anywhere (also in its
// query) is a secure request: certificate name and date errors are
// tolerated for it. Other requests check certificates strictly, should a
// redirect lead them to TLS.
bool isSecureRequest(std::string_view url);

} // namespace zelvon::net
