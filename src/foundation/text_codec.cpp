#include "foundation/text_codec.h"

#include <array>
#include <cstdint>

namespace zelvon {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Windows-1252 bytes 0x80..0x9F; the undefined ones map to themselves.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendCodePoint(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at `i`; returns the code point and advances `i`,
// or returns a negative value (and advances past the first byte) on a
// malformed sequence.
long decodeOne(std::string_view bytes, size_t& i) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1; cp = b0 & 0x1F; minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2; cp = b0 & 0x0F; minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3; cp = b0 & 0x07; minimum = 0x10000;
    } else {
        ++i;
        return -1;
    }
    if (i + static_cast<size_t>(extra) >= bytes.size()) {
        ++i;
        return -1;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return -1;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return -1;
    }
    i += static_cast<size_t>(extra) + 1;
    return static_cast<long>(cp);
}

bool isAscii(std::string_view bytes) {
    for (const char b : bytes)
        if (static_cast<unsigned char>(b) >= 0x80)
            return false;
    return true;
}

bool isValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size())
        if (decodeOne(bytes, i) < 0)
            return false;
    return true;
}

} // namespace

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::u16string fromUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const long cp = decodeOne(bytes, i);
        appendCodePoint(out, cp < 0 ? kReplacement : static_cast<char32_t>(cp));
    }
    return out;
}

bool decodeUtf8Strict(std::string_view bytes, std::u16string& out) {
    out.clear();
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const long cp = decodeOne(bytes, i);
        if (cp < 0)
            return false;
        appendCodePoint(out, static_cast<char32_t>(cp));
    }
    return true;
}

bool decodeUtf8Piece(std::string_view bytes, std::u16string& out, size_t& used) {
    size_t i = 0;
    while (i < bytes.size()) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        // A lead byte whose sequence runs past the piece waits for the next
        // one; whether it is well-formed is decided there.
        const size_t length = b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 1;
        if (length > 1 && i + length > bytes.size()) {
            bool prefix = b0 >= 0xC2 && b0 <= 0xF4;
            for (size_t k = i + 1; k < bytes.size(); ++k)
                prefix = prefix && (static_cast<unsigned char>(bytes[k]) & 0xC0) == 0x80;
            if (!prefix) {
                used = i;
                return false;
            }
            break;
        }
        const long cp = decodeOne(bytes, i);
        if (cp < 0) {
            used = i;
            return false;
        }
        appendCodePoint(out, static_cast<char32_t>(cp));
    }
    used = i;
    return true;
}

void appendCp1252(std::string_view bytes, std::u16string& out) {
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back((b >= 0x80 && b <= 0x9F) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
    }
}

std::u16string fromCp1252(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    appendCp1252(bytes, out);
    return out;
}

namespace {

// Appends the Windows-1252 bytes of `text` to `out`; false when some
// character has no byte in the code page ('?' stands in for it).
bool appendToCp1252(std::u16string_view text, std::string& out) {
    bool allFit = true;
    for (char16_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        bool found = false;
        for (size_t k = 0; k < kCp1252High.size(); ++k) {
            if (kCp1252High[k] == c) {
                out.push_back(static_cast<char>(0x80 + k));
                found = true;
                break;
            }
        }
        if (!found) {
            out.push_back('?');
            allFit = false;
        }
    }
    return allFit;
}

} // namespace

bool toCp1252(std::u16string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    return appendToCp1252(text, out);
}

std::u16string decodeFileText(std::string_view bytes) {
    // Editors on other systems start UTF-8 files with a byte-order mark; it
    // is no part of the text and would otherwise end up in the first line.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    std::u16string text;
    if (bytes.starts_with(kByteOrderMark) && decodeUtf8Strict(bytes.substr(kByteOrderMark.size()), text))
        return text;
    if (decodeUtf8Strict(bytes, text) && !text.empty())
        return text;
    std::u16string().swap(text); // not held beside the second decoding
    return fromCp1252(bytes);
}

std::string encodeFileText(std::u16string_view text) { return encodeFileText(std::span(&text, 1)); }

std::string encodeFileText(std::span<const std::u16string_view> pieces, size_t spare) {
    // Windows-1252 bytes can happen to form valid UTF-8 (the text "Ã©" gives
    // the UTF-8 form of "é"); reading would then return different text.
    // Whenever the 8-bit form would not read back as written, the file is
    // written in UTF-8, which always does. Reading takes valid UTF-8 as
    // UTF-8, and any other bytes as Windows-1252 (which gives back every
    // character that fitted); so the 8-bit form reads back exactly when it
    // is plain ASCII or not valid UTF-8. Checked without decoding, so a
    // large text is not held a second time.
    size_t length = 0;
    for (std::u16string_view piece : pieces)
        length += piece.size();
    std::string bytes;
    bytes.reserve(length + spare);
    bool allFit = true;
    for (std::u16string_view piece : pieces)
        allFit = appendToCp1252(piece, bytes) && allFit;
    if (allFit && (isAscii(bytes) || !isValidUtf8(bytes)))
        return bytes;
    std::string().swap(bytes);
    size_t utf8Length = 0;
    for (std::u16string_view piece : pieces)
        for (char16_t c : piece)
            utf8Length += c < 0x80 ? 1 : c < 0x800 ? 2 : (c >= 0xD800 && c < 0xE000) ? 2 : 3;
    bytes.reserve(3 + utf8Length + spare);
    // A text that itself begins with U+FEFF gets a mark in front, because
    // reading drops the first one.
    for (std::u16string_view piece : pieces) {
        if (piece.empty())
            continue;
        if (piece.front() == 0xFEFF)
            bytes = "\xEF\xBB\xBF";
        break;
    }
    for (std::u16string_view piece : pieces)
        bytes += toUtf8(piece);
    return bytes;
}

} // namespace zelvon
