#include "net/url_rules.h"

#include <string>

namespace zelvon::net {
namespace {

std::string asciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

} // namespace

bool isFetchableUrl(std::string_view url) {
    if (url.find('\0') != std::string_view::npos)
        return false;
    const std::string lower = asciiLower(url.substr(0, 8));
    const auto hasHost = [&](size_t prefix) { return url.size() > prefix; };
    if (lower.rfind("http://", 0) == 0)
        return hasHost(7);
    if (lower.rfind("https://", 0) == 0)
        return hasHost(8);
    return false;
}

bool isSecureRequest(std::string_view url) {
    return asciiLower(url).find("https://") != std::string::npos;
}

} // namespace zelvon::net
