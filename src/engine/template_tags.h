#pragma once
// Tags of the template language: "[vex:" content ":vex]". The same scanner
// serves the expansion, the loop-table field scan and the compilation of
// file-form templates, so all three agree on where a tag starts and ends.

#include <cstddef>
#include <string>
#include <string_view>

namespace zelvon {

inline constexpr std::u16string_view kTagOpen = u"[vex:";
inline constexpr std::u16string_view kTagClose = u":vex]";
inline constexpr std::u16string_view kStartLoopTag = u"[vex:StartLoop:vex]";
inline constexpr std::u16string_view kEndLoopTag = u"[vex:EndLoop:vex]";
inline constexpr std::u16string_view kStartLoopContent = u"StartLoop";
inline constexpr std::u16string_view kEndLoopContent = u"EndLoop";
inline constexpr std::u16string_view kUnterminatedTagMessage =
    u"Error: Transformation script contains unterminated [vex: prefix.\n";

struct TemplateTag {
    size_t start = 0;              // position of "[vex:"
    size_t end = 0;                // just past ":vex]"
    std::u16string_view content;   // between the two; empty when they overlap
};

enum class TagScan { Found, None, Unterminated };

// Finds the next tag at or after `from`. Unterminated: a "[vex:" with no
// ":vex]" after it; `tag.start` then holds where it begins.
TagScan findTag(std::u16string_view text, size_t from, TemplateTag& tag);

// Finds the "[vex:EndLoop:vex]" that closes a loop whose body starts at
// `from`, counting nested loop tags. Sets the position of that tag; false
// when the loop is never closed.
bool findMatchingEndLoop(std::u16string_view text, size_t from, size_t& endLoopStart);

// A field reference "script:field" with an optional ":format".
struct FieldRef {
    std::u16string_view key;      // "script:field", the part before the second colon
    std::u16string_view script;
    std::u16string_view field;
    std::u16string_view format;   // empty when there is no second colon
};

// False when the content has no colon (it names no field).
bool parseFieldRef(std::u16string_view content, FieldRef& ref);

} // namespace zelvon
