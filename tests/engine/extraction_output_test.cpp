// The two text forms written from an entry list.

#include "engine/extraction_output.h"
#include "foundation/text_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelvon {
namespace {

struct Entry {
    const char* name; // nullptr: a pass's closing marker
    const char* text;
    int depth;
};
Entry value(const char* name, const char* text, int depth) { return {name, text, depth}; }
Entry marker(int depth) { return {nullptr, "", depth}; }

ExtractedEntries listOf(const std::vector<Entry>& list) {
    ExtractedEntries entries;
    for (const Entry& e : list) {
        if (e.name == nullptr)
            entries.addPassEnd(e.depth);
        else
            entries.addCopy(u16(e.name), u16(e.text), e.depth);
    }
    return entries;
}

TEST(KelpoText, RecordsPerLoopPassAndEscapedItems) {
    const struct {
        const char* what;
        std::vector<Entry> entries;
        std::string kelpo;
    } cases[] = {
        {"no entries", {}, "<kelpo>\n</kelpo>\n"},
        {"two loop passes",
         {value("title", "Alpha", 1), value("price", "9", 1), marker(0), value("title", "Beta", 1), value("price", "5", 1),
          marker(0), marker(0)},
         "<kelpo>\n    <record>\n        <item name='title' value='Alpha'/>\n        <item name='price' value='9'/>\n"
         "    </record>\n    <record>\n        <item name='title' value='Beta'/>\n"
         "        <item name='price' value='5'/>\n    </record>\n</kelpo>\n"},
        {"values outside loops; the ampersand stays",
         {value("a<b", "a&b<c", 0), value("q", "it's \"x\" > y", 0)},
         "<kelpo>\n    <item name='a&lt;b' value='a&b&lt;c'/>\n"
         "    <item name='q' value='it&#039;s &quot;x&quot; &gt; y'/>\n</kelpo>\n"},
        // A pass that begins inside an inner loop rises two levels at once:
        // one record per level, so the text stays balanced.
        {"two levels at once",
         {value("head", "h", 0), value("cell", "1", 2), marker(1), marker(1), marker(0), marker(0)},
         "<kelpo>\n    <item name='head' value='h'/>\n    <record>\n        <record>\n"
         "            <item name='cell' value='1'/>\n        </record>\n    </record>\n</kelpo>\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(toUtf8(kelpoTextOf(listOf(c.entries))), c.kelpo) << c.what;
}

TEST(TildeText, OneLinePerValueWithoutEscapingOrMarkers) {
    const ExtractedEntries entries = listOf({value("name", "A & <B>", 0), value("v", "1~2", 1), marker(0),
                                                 value("v", "", 2), marker(1), marker(0)});
    EXPECT_EQ(toUtf8(tildeTextOf(entries)), "name~0~A & <B>\nv~1~1~2\nv~2~\n");
}

} // namespace
} // namespace zelvon
