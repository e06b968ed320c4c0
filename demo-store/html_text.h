#pragma once
// Text helpers for the store's pages: escaping plain text into HTML and
// encoding a finished UTF-8 page for the charset it is served in. The store
// has its own small encoder on purpose: it plays a foreign web site, so it
// shares no text code with the program it is tested against.

#include <string>
#include <string_view>

namespace zelvon::demo {

enum class PageCharset { Utf8, Windows1252 };

// &, <, > and the double quote become entities; the apostrophe becomes
// "&#39;", as many web sites write it.
std::string escapeHtml(std::string_view text);

// Percent-encodes everything but unreserved characters; a blank becomes "+".
std::string encodeQueryValue(std::string_view text);

// UTF-8 stays as it is. For Windows-1252 every character the code page has
// becomes its byte and every other one a decimal character reference
// ("&#321;"), as browsers do when they submit or save such pages. Bytes that
// are not valid UTF-8 become "?".
std::string encodePage(std::string_view utf8, PageCharset charset);

// "utf-8" or "windows-1252", for Content-Type headers and meta tags.
const char* charsetName(PageCharset charset);

} // namespace zelvon::demo
