// The walk of a page by a script's items: cursor moves, cuts, loops,
// nesting, loops that stop making progress, and every failure message.
// Items are given directly, apart from the script markup reader.

#include "engine/extraction_script.h"
#include "engine/extraction_walk.h"
#include "foundation/text_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace zelvon {
namespace {

ScriptItem item(const char* action, const char* token, const char* variable = "") {
    return {u16(action), u16(token), u16(variable)};
}

struct WalkResult {
    bool ok = false;
    std::string entries; // "name=value@depth" joined by " | ", markers as "#@depth"
    std::string error;
};

WalkResult walk(const std::string& page, const std::vector<ScriptItem>& items) {
    WalkResult result;
    std::vector<LoopSpan> loops;
    std::u16string error;
    ExtractedEntries entries;
    if (pairLoops(items, loops, error))
        result.ok = walkPage(u16(page), items, loops, entries, error);
    for (const ExtractedEntry& e : entries) {
        result.entries += result.entries.empty() ? "" : " | ";
        result.entries += e.name() == kDepthCountName ? "#" : toUtf8(e.name()) + "=" + toUtf8(e.value());
        result.entries += "@" + std::to_string(e.depth);
    }
    result.error = toUtf8(error);
    return result;
}

TEST(CutText, TrimsWidensTabsAndJoinsLines) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"  a\tb\r\nc  ", u"a    b c"}, {u"\r\n\t x \t\n", u"x"}, {u"a\nb", u"a b"},
        {u"a\rb", u"a\rb"},             {u"a\r\r\nb", u"a\r b"}, {u"   ", u""},
    };
    ExtractedEntries kept;
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(cutText(text, 0, text.size()), expected) << toUtf8(text);
        EXPECT_EQ(cutTextInto(text, 0, text.size(), kept), expected) << toUtf8(text);
    }
    EXPECT_EQ(cutText(u"xx value yy", 2, 9), u"value");
    EXPECT_EQ(cutText(u"abc", 3, 1), u"");
    EXPECT_EQ(cutTextInto(u"abc", 3, 1, kept), u"");
}

// Values of every size, short ones filling shared blocks and long ones
// getting their own, must all still read as written once the list has
// grown far past its first block, and a cleared list starts afresh.
TEST(ExtractedEntries, ValuesStayValidWhileTheListGrows) {
    ExtractedEntries entries;
    std::vector<std::u16string> expected;
    const size_t lengths[] = {0, 1, 7, 300, 4095, 4096, 4097, 16383, 16384, 40000, 2, 12000, 5};
    for (int round = 0; round < 40; ++round) {
        for (const size_t length : lengths) {
            std::u16string value(length, u'a');
            for (size_t k = 0; k < length; ++k)
                value[k] = static_cast<char16_t>(u'a' + (k + static_cast<size_t>(round) + length) % 26);
            if (length % 2 == 0) {
                entries.addCopy(u"n" + std::u16string(1, static_cast<char16_t>(u'a' + round % 26)), value, round);
            } else {
                const std::u16string page = u" \t" + value + u"\r\n ";
                const std::u16string cut = cutText(page, 0, page.size());
                entries.add(entries.keepName(u"cut"), cutTextInto(page, 0, page.size(), entries), round);
                value = cut;
            }
            expected.push_back(value);
        }
        entries.addPassEnd(round);
        expected.push_back(u"");
    }
    ASSERT_EQ(entries.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(entries[i].value(), expected[i]) << "entry " << i;
        const int round = static_cast<int>(i / (std::size(lengths) + 1));
        EXPECT_EQ(entries[i].depth, round);
        if (i % (std::size(lengths) + 1) == std::size(lengths))
            EXPECT_EQ(entries[i].name(), kDepthCountName);
        else if (expected[i].size() % 2 == 0)
            EXPECT_EQ(entries[i].name(), u"n" + std::u16string(1, static_cast<char16_t>(u'a' + round % 26)));
        else
            EXPECT_EQ(entries[i].name(), u"cut");
    }
    entries.clear();
    EXPECT_TRUE(entries.empty());
    entries.addCopy(u"again", u"value", 0);
    EXPECT_EQ(entries[0].name(), u"again");
    EXPECT_EQ(entries[0].value(), u"value");
}

TEST(PairLoops, PairsInnerLoopsFirstAndReportsUnbalancedOnes) {
    std::vector<LoopSpan> loops;
    std::u16string error;
    ASSERT_TRUE(pairLoops({item("[StartLoop]", "<table"), item("[StartLoop]", "<tr>"), item("[MoveTo]", "<td>"),
                           item("[EndLoop]", "</tr>"), item("[EndLoop]", "</table>"), item("[StartLoop]", "<ul>"),
                           item("[EndLoop]", "</ul>")},
                          loops, error));
    std::string spans;
    for (const LoopSpan& loop : loops)
        spans += toUtf8(loop.endToken) + " " + std::to_string(loop.startIndex) + "-" + std::to_string(loop.endIndex) + ";";
    EXPECT_EQ(spans, "</tr> 1-3;</table> 0-4;</ul> 5-6;");

    EXPECT_FALSE(pairLoops({item("[EndLoop]", "x"), item("[StartLoop]", "y")}, loops, error));
    EXPECT_EQ(error, u"Extra [EndLoop] found.\n");
    error = u"before ";
    EXPECT_FALSE(pairLoops({item("[StartLoop]", "a"), item("[StartLoop]", "b"), item("[EndLoop]", "c")}, loops, error));
    EXPECT_EQ(error, u"before Too many unmatched [StartLoop]\n");
}

struct WalkCase {
    const char* what;
    std::string page;
    std::vector<ScriptItem> items;
    std::string expected; // the entries, or on failure the error text
    std::string entriesSoFar = "";
};

TEST(Walk, RecordsWhatTheItemsFind) {
    const WalkCase cases[] = {
        {"top-level moves and cuts; unknown actions do nothing", "<h1> Zelvon Pro </h1><p>v2.1</p><p>tail",
         {item("[MoveTo]", "<h1>"), item("[Extract]", "</h1>", "name"), item("[MoveTo]", "<p>"),
          item("[Extract]", "</p>", "version"), item("[Extract]", "<p>", "between"), item("[Extract]", "", "atCursor"),
          item("[Bogus]", "nowhere")},
         "name=Zelvon Pro@0 | version=v2.1@0 | between=@0 | atCursor=@0"},
        // A fourth pass finds the next cell only beyond the table's end: the
        // loop is left with one more marker, the cursor just past "</table>".
        {"three rows of two cells",
         "<table><tr><td>a1</td><td>b1</td></tr><tr><td>a2</td><td>b2</td></tr>"
         "<tr><td>a3</td><td>b3</td></tr></table><td>late</td>",
         {item("[StartLoop]", "<table"), item("[MoveTo]", "<td>"), item("[Extract]", "</td>", "a"),
          item("[MoveTo]", "<td>"), item("[Extract]", "</td>", "b"), item("[EndLoop]", "</table>"),
          item("[Extract]", "</td>", "after")},
         "a=a1@1 | b=b1@1 | #@0 | a=a2@1 | b=b2@1 | #@0 | a=a3@1 | b=b3@1 | #@0 | #@0 | after=<td>late@0"},
        {"an Extract that meets the end marker cuts up to it", "<ul><li>one<li>two</ul>rest",
         {item("[StartLoop]", "<ul><li>"), item("[Extract]", "<li>", "entry"), item("[EndLoop]", "</ul>"),
          item("[Extract]", "t", "rest")},
         "entry=one@1 | #@0 | entry=two@1 | #@0 | rest=res@0"},
        {"a missing token ends the loop quietly", "<ul><li>a</li><li>b</li></ul>",
         {item("[StartLoop]", "<ul>"), item("[MoveTo]", "<li>"), item("[MoveTo]", "<nope>"),
          item("[Extract]", "</li>", "v"), item("[EndLoop]", "</ul>")},
         "#@0"},
        {"without an end marker a missing token is skipped", "<ul><li>a</li>",
         {item("[StartLoop]", "<ul>"), item("[MoveTo]", "<nope>"), item("[Extract]", "</li>", "v"), item("[EndLoop]", "")},
         "v=<li>a@1 | #@0 | #@0 | #@0"},
        {"an end marker before the start token makes an empty loop", "<b>old</b></table><table><td>x</td>",
         {item("[StartLoop]", "<table>"), item("[MoveTo]", "<td>"), item("[Extract]", "</td>", "cell"),
          item("[EndLoop]", "</table>"), item("[Extract]", "<td>", "after")},
         "after=<table>@0"},
        {"nested loops keep their own end markers",
         "<table><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr></table><p>after</p>",
         {item("[StartLoop]", "<table"), item("[StartLoop]", "<tr>"), item("[MoveTo]", "<td>"),
          item("[Extract]", "</td>", "c"), item("[EndLoop]", "</tr>"), item("[EndLoop]", "</table>"),
          item("[MoveTo]", "<p>"), item("[Extract]", "</p>", "tail")},
         "c=1@2 | #@1 | c=2@2 | #@1 | #@1 | #@0 | c=3@2 | #@1 | #@1 | #@0 | #@0 | tail=after@0"},
        {"an empty inner loop leaves the outer end marker in force",
         "<div><h>A</h><ul><li>x</li></ul><h>B</h></ul><ul></div><h>Z</h>",
         {item("[StartLoop]", "<div>"), item("[MoveTo]", "<h>"), item("[Extract]", "</h>", "head"),
          item("[StartLoop]", "<ul>"), item("[MoveTo]", "<li>"), item("[Extract]", "</li>", "li"),
          item("[EndLoop]", "</ul>"), item("[EndLoop]", "</div>"), item("[MoveTo]", "<h>"),
          item("[Extract]", "</h>", "last")},
         "head=A@1 | li=x@2 | #@1 | #@1 | #@0 | head=B@1 | #@0 | #@0 | last=Z@0"},
        // A pass that leaves the cursor where it began would repeat for
        // ever; the loop is left instead, past its end marker.
        {"stalled: only empty tokens", "xdef",
         {item("[StartLoop]", "x"), item("[Extract]", "", "v"), item("[EndLoop]", ""), item("[Extract]", "f", "after")},
         "v=@1 | #@0 | #@0 | after=de@0"},
        {"stalled: only unknown actions", "<ul><li>a</li></ul>b.",
         {item("[StartLoop]", "<ul>"), item("[Nothing]", "li"), item("[EndLoop]", "</ul>"), item("[Extract]", ".", "after")},
         "#@0 | #@0 | after=b@0"},
        {"stalled: empty end marker after some passes", "<ul><li>a</li><li>b</li></ul>tail",
         {item("[StartLoop]", "<ul>"), item("[MoveTo]", "<li>"), item("[Extract]", "</li>", "v"), item("[EndLoop]", ""),
          item("[Extract]", "", "at")},
         "v=a@1 | #@0 | v=b@1 | #@0 | #@0 | #@0 | at=@0"},
        {"stalled: an inner loop, then the outer one", "<r><i>1</i><i>2</i></r><r></r>.",
         {item("[StartLoop]", "<r>"), item("[StartLoop]", ""), item("[MoveTo]", "<i>"), item("[Extract]", "</i>", "i"),
          item("[EndLoop]", ""), item("[EndLoop]", "</r>"), item("[Extract]", ".", "after")},
         "i=1@2 | #@1 | i=2@2 | #@1 | #@1 | #@1 | #@0 | #@1 | #@1 | #@0 | #@0 | after=<r></r>@0"},
    };
    for (const WalkCase& c : cases) {
        const auto r = walk(c.page, c.items);
        EXPECT_TRUE(r.ok) << c.what << ": " << r.error;
        EXPECT_EQ(r.entries, c.expected) << c.what;
    }
}

TEST(Walk, FailuresNameTheMissingToken) {
    const WalkCase cases[] = {
        {"tokens match case-sensitively", "<td>x</td>", {item("[MoveTo]", "<TD")}, "\nCould not find [MoveTo]:  <TD"},
        {"top-level StartLoop", "<h1>x</h1>", {item("[StartLoop]", "<table"), item("[EndLoop]", "</table>")},
         "\nCould not find [MoveTo]:  <table"},
        {"top-level Extract", "<h1>x</h1>", {item("[Extract]", "</h1>", "a"), item("[Extract]", "</h2>", "b")},
         "\nCould not find [Extract]:  </h2>", "a=<h1>x@0"},
        {"end marker missing when entering", "<table><td>1</td>",
         {item("[StartLoop]", "<table"), item("[Extract]", "</td>", "c"), item("[EndLoop]", "</table>")},
         "\nCould not find [EndLoop]:  </table>"},
        {"EndLoop after overshooting the end marker", "<table>ab</table>",
         {item("[StartLoop]", "<table>"), item("[MoveTo]", "b</table>"), item("[EndLoop]", "</table>")},
         "\nCould not find [EndLoop]:  </table>"},
        {"item after overshooting the end marker", "<table>ab</table>",
         {item("[StartLoop]", "<table>"), item("[MoveTo]", "b</table>"), item("[Extract]", "x", "v"),
          item("[EndLoop]", "</table>")},
         "\nCould not find [EndLoop]:  </table>"},
        {"inner StartLoop under an empty end marker", "<ul>x",
         {item("[StartLoop]", "<ul>"), item("[StartLoop]", "<ol>"), item("[EndLoop]", "</ol>"), item("[EndLoop]", "")},
         "\nCould not find [MoveTo]:  <ol>"},
    };
    for (const WalkCase& c : cases) {
        const auto r = walk(c.page, c.items);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.error, c.expected) << c.what;
        EXPECT_EQ(r.entries, c.entriesSoFar) << c.what;
    }
}

TEST(Walk, RandomScriptsEndWithEveryLoopClosed) {
    // Few tokens, so they keep colliding with end markers. Every walk must
    // end, and a successful one leaves entries in the shape the kelpo writer
    // relies on: depth falls one level at a time and ends back at 0.
    const char* const tokens[] = {"", "<a>", "</a>", "<b>", "</b>", "x"};
    const char* const actions[] = {"[MoveTo]", "[Extract]", "[StartLoop]", "[EndLoop]", "[Skip]"};
    std::mt19937 random(20240611);
    auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    int walked = 0;
    for (int round = 0; round < 4000; ++round) {
        std::u16string page;
        for (int k = pick(24); k > 0; --k)
            page += u16(tokens[1 + pick(5)]);
        std::vector<ScriptItem> items;
        for (int k = 1 + pick(8); k > 0; --k)
            items.push_back(item(actions[pick(5)], tokens[pick(6)], "v"));
        std::vector<LoopSpan> loops;
        ExtractedEntries entries;
        std::u16string error;
        if (!pairLoops(items, loops, error) || !walkPage(page, items, loops, entries, error))
            continue;
        ++walked;
        int level = 0;
        for (const ExtractedEntry& e : entries) {
            ASSERT_GE(e.depth, std::max(0, level - 1)) << "round " << round;
            ASSERT_TRUE(e.name() != kDepthCountName || e.value().empty());
            level = e.depth;
        }
        ASSERT_EQ(level, 0) << "round " << round;
    }
    EXPECT_GT(walked, 500); // enough of them succeed to mean something
}

} // namespace
} // namespace zelvon
