#include "foundation/entity_codec.h"

#include "foundation/blank_text.h"

#include <algorithm>
#include <array>
#include <vector>

namespace zelvon::EntityCodec {
namespace {

struct NamedEntity {
    std::u16string_view reference; // "&" and ";" included
    char16_t replacement;
};

// Punctuation and markup names; each stands for one character.
constexpr std::array<NamedEntity, 26> kPunctuation = {{
    {u"&amp;", u'&'},    {u"&nbsp;", u' '},   {u"&gt;", u'>'},      {u"&lt;", u'<'},
    {u"&quot;", u'"'},   {u"&apos;", u'\''},  {u"&sp;", u' '},      {u"&excl;", u'!'},
    {u"&num;", u'#'},    {u"&dollar;", u'$'}, {u"&percnt;", u'%'},  {u"&lpar;", u'('},
    {u"&rpar;", u')'},   {u"&plus;", u'+'},   {u"&comma;", u','},   {u"&hyphen;", u'-'},
    {u"&period;", u'.'}, {u"&sol;", u'/'},    {u"&colon;", u':'},   {u"&semi;", u';'},
    {u"&equals;", u'='}, {u"&quest;", u'?'},  {u"&lsqb;", u'['},    {u"&rsqb;", u']'},
    {u"&bsol;", u'\\'},  {u"&ast;", u'*'},
}};

// The Latin-1 names of HTML 4 for U+00A1 to U+00FF, in code order.
constexpr std::array<std::u16string_view, 95> kLatin1 = {
    u"&iexcl;",  u"&cent;",   u"&pound;",  u"&curren;", u"&yen;",    u"&brvbar;", u"&sect;",   u"&uml;",
    u"&copy;",   u"&ordf;",   u"&laquo;",  u"&not;",    u"&shy;",    u"&reg;",    u"&macr;",   u"&deg;",
    u"&plusmn;", u"&sup2;",   u"&sup3;",   u"&acute;",  u"&micro;",  u"&para;",   u"&middot;", u"&cedil;",
    u"&sup1;",   u"&ordm;",   u"&raquo;",  u"&frac14;", u"&frac12;", u"&frac34;", u"&iquest;", u"&Agrave;",
    u"&Aacute;", u"&Acirc;",  u"&Atilde;", u"&Auml;",   u"&Aring;",  u"&AElig;",  u"&Ccedil;", u"&Egrave;",
    u"&Eacute;", u"&Ecirc;",  u"&Euml;",   u"&Igrave;", u"&Iacute;", u"&Icirc;",  u"&Iuml;",   u"&ETH;",
    u"&Ntilde;", u"&Ograve;", u"&Oacute;", u"&Ocirc;",  u"&Otilde;", u"&Ouml;",   u"&times;",  u"&Oslash;",
    u"&Ugrave;", u"&Uacute;", u"&Ucirc;",  u"&Uuml;",   u"&Yacute;", u"&THORN;",  u"&szlig;",  u"&agrave;",
    u"&aacute;", u"&acirc;",  u"&atilde;", u"&auml;",   u"&aring;",  u"&aelig;",  u"&ccedil;", u"&egrave;",
    u"&eacute;", u"&ecirc;",  u"&euml;",   u"&igrave;", u"&iacute;", u"&icirc;",  u"&iuml;",   u"&eth;",
    u"&ntilde;", u"&ograve;", u"&oacute;", u"&ocirc;",  u"&otilde;", u"&ouml;",   u"&divide;", u"&oslash;",
    u"&ugrave;", u"&uacute;", u"&ucirc;",  u"&uuml;",   u"&yacute;", u"&thorn;",  u"&yuml;",
};

// A reference spans at most this many characters, "&" and ";" included.
constexpr size_t kMaxReferenceLength = 8;

// Sorted once so a lookup is a binary search instead of a scan of 121 names.
const std::vector<NamedEntity>& sortedTable() {
    static const std::vector<NamedEntity> table = [] {
        std::vector<NamedEntity> entries(kPunctuation.begin(), kPunctuation.end());
        for (size_t i = 0; i < kLatin1.size(); ++i)
            entries.push_back({kLatin1[i], static_cast<char16_t>(0xA1 + i)});
        std::sort(entries.begin(), entries.end(),
                  [](const NamedEntity& a, const NamedEntity& b) { return a.reference < b.reference; });
        return entries;
    }();
    return table;
}

const NamedEntity* findExact(std::u16string_view reference) {
    const auto& table = sortedTable();
    const auto it = std::lower_bound(table.begin(), table.end(), reference,
                                     [](const NamedEntity& e, std::u16string_view r) { return e.reference < r; });
    return (it != table.end() && it->reference == reference) ? &*it : nullptr;
}

// Exact spelling first (so "&Eacute;" and "&eacute;" differ), then the
// lower-case spelling, so "&AMP;" still decodes.
const NamedEntity* findNamed(std::u16string_view reference) {
    if (const NamedEntity* exact = findExact(reference))
        return exact;
    std::array<char16_t, kMaxReferenceLength> lower{};
    for (size_t i = 0; i < reference.size(); ++i) {
        const char16_t c = reference[i];
        lower[i] = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
    }
    return findExact(std::u16string_view(lower.data(), reference.size()));
}

// The C library's string-to-integer reading of `digits`: blanks, a sign,
// then decimal digits. Empty when no digit follows, which is how a
// hexadecimal reference such as "&#x27;" is recognised and left alone.
// References are at most 8 characters long, so the value cannot overflow.
bool readDecimal(std::u16string_view digits, long& value) {
    size_t i = 0;
    while (i < digits.size() && isBlank(digits[i]))
        ++i;
    bool negative = false;
    if (i < digits.size() && (digits[i] == u'+' || digits[i] == u'-')) {
        negative = digits[i] == u'-';
        ++i;
    }
    if (i >= digits.size() || digits[i] < u'0' || digits[i] > u'9')
        return false;
    value = 0;
    while (i < digits.size() && digits[i] >= u'0' && digits[i] <= u'9')
        value = value * 10 + (digits[i++] - u'0');
    if (negative)
        value = -value;
    return true;
}

// The one character a reference stands for, or false when it stands for
// nothing and must stay in the text as it is.
bool decodeReference(std::u16string_view reference, char16_t& replacement) {
    if (reference.find(u'#') != std::u16string_view::npos) {
        long value = 0;
        if (!readDecimal(reference.substr(2, reference.size() - 3), value))
            return false;
        // Modulo 65536, wrapping negative values the way a 16-bit
        // character type does.
        replacement = static_cast<char16_t>(static_cast<unsigned long>(value) & 0xFFFFu);
        return true;
    }
    if (const NamedEntity* named = findNamed(reference)) {
        replacement = named->replacement;
        return true;
    }
    return false;
}

std::u16string escapeEach(std::u16string_view text, bool withAmpersand) {
    std::u16string out;
    out.reserve(text.size() + text.size() / 8);
    for (char16_t c : text) {
        switch (c) {
        case u'&':
            if (withAmpersand)
                out += u"&amp;";
            else
                out += c;
            break;
        case u'<': out += u"&lt;"; break;
        case u'>': out += u"&gt;"; break;
        case u'"': out += u"&quot;"; break;
        case u'\'': out += u"&#039;"; break;
        default: out += c; break;
        }
    }
    return out;
}

} // namespace

// Each replacement is a single character that none of the other passes
// looks for, so one pass over the text gives the same result as the
// sequence of replace-all passes the format is defined by.
std::u16string escapeXml(std::u16string_view text) { return escapeEach(text, true); }

std::u16string escapeMarkup(std::u16string_view text) { return escapeEach(text, false); }

// The four references begin with "&", end with ";" and contain neither
// elsewhere, and their replacements are none of those characters, so they
// can neither overlap nor be created by another replacement: one scan
// equals the four passes.
std::u16string unescapeMarkup(std::u16string_view text) {
    static constexpr std::array<NamedEntity, 4> kMarkup = {{
        {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&#039;", u'\''}, {u"&quot;", u'"'},
    }};
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == u'&') {
            const auto rest = text.substr(i);
            const auto match = std::find_if(kMarkup.begin(), kMarkup.end(),
                                            [&](const NamedEntity& e) { return rest.starts_with(e.reference); });
            if (match != kMarkup.end()) {
                out += match->replacement;
                i += match->reference.size();
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

// Left to right, one reference at a time. After a replacement the scan goes
// on right behind the replaced character, so a decoded "&" never starts a
// new reference ("&amp;lt;" gives "&lt;"); after a non-reference it goes on
// one character after that "&". The output grows at the end only and the
// search for ";" is bounded by the longest reference, so the work is linear
// in the length of the text.
std::u16string decodeEntities(std::u16string_view text) {
    size_t ampersand = text.find(u'&');
    if (ampersand == std::u16string_view::npos)
        return std::u16string(text);
    std::u16string out;
    out.reserve(text.size());
    size_t copied = 0; // text before this index is already in `out`
    while (ampersand != std::u16string_view::npos) {
        const auto window = text.substr(ampersand, kMaxReferenceLength);
        const size_t semicolon = window.find(u';');
        size_t next = ampersand + 1;
        char16_t replacement = 0;
        if (semicolon != std::u16string_view::npos && decodeReference(window.substr(0, semicolon + 1), replacement)) {
            out.append(text.substr(copied, ampersand - copied));
            out += replacement;
            copied = ampersand + semicolon + 1;
            next = copied;
        }
        ampersand = text.find(u'&', next);
    }
    out.append(text.substr(copied));
    return out;
}

} // namespace zelvon::EntityCodec
