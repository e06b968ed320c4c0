#pragma once
// The points where the two markup readers differ. Both share one parse loop
// (xml_markup_parser.h); everything not listed here behaves the same.

namespace zelvon {

enum class LeafTest {
    // Content without "<", or whose first "<" opens a CDATA section.
    NoTagOrCdata,
    // Content holding neither "<" nor ">".
    NoAngleBracket,
};

struct MarkupRules {
    // Result of parsing a text that holds no "<" at all.
    bool successWithoutTag;
    // "<?...>", "<!DOCTYPE...>" and the other declarations are passed over
    // instead of being read as elements.
    bool skipDeclarations;
    // Line breaks become one blank and tabs four blanks before names and
    // attributes are taken from a tag.
    bool normaliseTags;
    // Each tag picks its quote: the double quote when it holds `="`, else
    // the apostrophe. Without this, only apostrophes quote values.
    bool quotePerTag;
    LeafTest leafTest;
};

// The tolerant reader of list files, catalogues and engine results.
inline constexpr MarkupRules kXmlRules{false, true, true, true, LeafTest::NoTagOrCdata};
// The stricter reader of extraction scripts.
inline constexpr MarkupRules kScriptRules{true, false, false, false, LeafTest::NoAngleBracket};

} // namespace zelvon
