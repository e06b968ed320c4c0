#include "app/ini_escaping.h"

#include "foundation/text_codec.h"

namespace zelvon::ini {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void appendHex(std::string& out, unsigned value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += kHexDigits[(value >> shift) & 0xF];
}

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool needsBackslash(char16_t c, Field field) {
    switch (field) {
    case Field::Key: return c == u'=' || c == u'[' || c == u']' || c == u';' || c == u'#';
    case Field::Section: return c == u']';
    case Field::Value: return false;
    }
    return false;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The value of `digits` hex digits at `at`, or -1.
long readHex(std::string_view text, size_t at, size_t digits) {
    if (at + digits > text.size())
        return -1;
    long value = 0;
    for (size_t k = 0; k < digits; ++k) {
        const int v = hexValue(text[at + k]);
        if (v < 0)
            return -1;
        value = value * 16 + v;
    }
    return value;
}

// Skips a backslash and the character after it.
size_t findUnescaped(std::string_view line, size_t from, char wanted) {
    for (size_t i = from; i < line.size(); ++i) {
        if (line[i] == '\\')
            ++i;
        else if (line[i] == wanted)
            return i;
    }
    return std::string_view::npos;
}

} // namespace

std::string escape(std::u16string_view text, Field field) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            out += toUtf8(text.substr(i, 2));
            ++i;
        } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
            out += "\\u";
            appendHex(out, c, 4);
        } else if (c == u'\\') {
            out += "\\\\";
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\r') {
            out += "\\r";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F || (c == u' ' && (i == 0 || i + 1 == text.size()))) {
            // Blanks at either end are escaped because reading trims the
            // blanks around "=" that people put there by hand.
            out += "\\x";
            appendHex(out, c, 2);
        } else if (needsBackslash(c, field)) {
            out += '\\';
            out += static_cast<char>(c);
        } else {
            out += toUtf8(text.substr(i, 1));
        }
    }
    return out;
}

std::u16string unescape(std::string_view stored) {
    std::u16string out;
    out.reserve(stored.size());
    size_t plainStart = 0;
    auto flushPlain = [&](size_t end) {
        out += fromUtf8(stored.substr(plainStart, end - plainStart));
    };
    size_t i = 0;
    while (i < stored.size()) {
        if (stored[i] != '\\' || i + 1 >= stored.size()) {
            ++i;
            continue;
        }
        const char kind = stored[i + 1];
        long code = -1;
        size_t length = 2;
        switch (kind) {
        case '\\': case '=': case '[': case ']': case ';': case '#': case ' ':
            code = static_cast<unsigned char>(kind);
            break;
        case 'n': code = '\n'; break;
        case 'r': code = '\r'; break;
        case 't': code = '\t'; break;
        case 'x': code = readHex(stored, i + 2, 2); length = 4; break;
        case 'u': code = readHex(stored, i + 2, 4); length = 6; break;
        default: break;
        }
        if (code < 0) {
            ++i; // not an escape: the backslash stays as plain text
            continue;
        }
        flushPlain(i);
        out += static_cast<char16_t>(code);
        i += length;
        plainStart = i;
    }
    flushPlain(stored.size());
    return out;
}

size_t findSeparator(std::string_view line) { return findUnescaped(line, 0, '='); }

size_t findSectionEnd(std::string_view line) {
    if (line.empty() || line[0] != '[')
        return std::string_view::npos;
    return findUnescaped(line, 1, ']');
}

} // namespace zelvon::ini
