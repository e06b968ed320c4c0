// The walk of a page by the items of a script: cursor moves, cuts, loops,
// nesting, the end of loops that stop making progress, and every failure
// message. Items are given directly, so these cases do not depend on the
// script markup reader.

#include "engine/extraction_script.h"
#include "engine/extraction_walk.h"
#include "foundation/text_codec.h"

#include <gtest/gtest.h>

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

std::string describe(const std::vector<ExtractedEntry>& entries) {
    std::string out;
    for (const ExtractedEntry& e : entries) {
        if (!out.empty())
            out += " | ";
        if (e.name == kDepthCountName)
            out += "#";
        else
            out += toUtf8(e.name) + "=" + toUtf8(e.value);
        out += "@" + std::to_string(e.depth);
    }
    return out;
}

WalkResult walk(const std::string& page, const std::vector<ScriptItem>& items) {
    WalkResult result;
    std::vector<LoopSpan> loops;
    std::u16string error;
    std::vector<ExtractedEntry> entries;
    if (pairLoops(items, loops, error))
        result.ok = walkPage(u16(page), items, loops, entries, error);
    result.entries = describe(entries);
    result.error = toUtf8(error);
    return result;
}

TEST(CutText, TrimsWidensTabsAndJoinsLines) {
    struct Case {
        std::u16string text;
        std::u16string expected;
    } cases[] = {
        {u"  a\tb\r\nc  ", u"a    b c"},
        {u"\r\n\t x \t\n", u"x"},
        {u"a\nb", u"a b"},
        {u"a\rb", u"a\rb"},       // a lone carriage return stays
        {u"a\r\r\nb", u"a\r b"},  // only the pair becomes one blank
        {u"   ", u""},
        {u"", u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cutText(c.text, 0, c.text.size()), c.expected) << toUtf8(c.text);
    }
    // Only the range is cut, and an empty or inverted range gives nothing.
    EXPECT_EQ(cutText(u"xx value yy", 2, 9), u"value");
    EXPECT_EQ(cutText(u"abc", 2, 2), u"");
    EXPECT_EQ(cutText(u"abc", 3, 1), u"");
}

TEST(PairLoops, ReportsUnbalancedLoops) {
    std::vector<LoopSpan> loops;
    std::u16string error;
    EXPECT_FALSE(pairLoops({item("[EndLoop]", "x"), item("[StartLoop]", "y")}, loops, error));
    EXPECT_EQ(error, u"Extra [EndLoop] found.\n");

    error = u"before ";
    EXPECT_FALSE(pairLoops({item("[StartLoop]", "a"), item("[StartLoop]", "b"), item("[EndLoop]", "c")}, loops, error));
    EXPECT_EQ(error, u"before Too many unmatched [StartLoop]\n");
}

TEST(PairLoops, ListsInnerLoopsBeforeOuterOnes) {
    std::vector<LoopSpan> loops;
    std::u16string error;
    ASSERT_TRUE(pairLoops({item("[StartLoop]", "<table"), item("[StartLoop]", "<tr>"), item("[MoveTo]", "<td>"),
                           item("[EndLoop]", "</tr>"), item("[EndLoop]", "</table>"), item("[StartLoop]", "<ul>"),
                           item("[EndLoop]", "</ul>")},
                          loops, error));
    ASSERT_EQ(loops.size(), 3u);
    EXPECT_EQ(loops[0].endToken, u"</tr>");
    EXPECT_EQ(loops[0].startIndex, 1);
    EXPECT_EQ(loops[0].endIndex, 3);
    EXPECT_EQ(loops[1].endToken, u"</table>");
    EXPECT_EQ(loops[1].startIndex, 0);
    EXPECT_EQ(loops[1].endIndex, 4);
    EXPECT_EQ(loops[2].startIndex, 5);
    EXPECT_EQ(loops[2].endIndex, 6);
    EXPECT_TRUE(error.empty());
}

TEST(Walk, TopLevelItemsMoveAndCut) {
    const auto r = walk("<h1> Zelvon Pro </h1><p>v2.1</p><p>tail",
                        {item("[MoveTo]", "<h1>"), item("[Extract]", "</h1>", "name"), item("[MoveTo]", "<p>"),
                         item("[Extract]", "</p>", "version"), item("[Extract]", "<p>", "between"),
                         item("[Extract]", "", "atCursor"), item("[Bogus]", "nowhere")});
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.entries, "name=Zelvon Pro@0 | version=v2.1@0 | between=@0 | atCursor=@0");
}

TEST(Walk, TokensMatchCaseSensitively) {
    const auto r = walk("<td>x</td>", {item("[MoveTo]", "<TD"), item("[Extract]", "</td>", "v")});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "\nCould not find [MoveTo]:  <TD");
}

TEST(Walk, TableRowsGiveOneRecordPerPass) {
    const std::string page = "<p>x</p><table>"
                             "<tr><td>a1</td><td>b1</td></tr>"
                             "<tr><td>a2</td><td>b2</td></tr>"
                             "<tr><td>a3</td><td>b3</td></tr>"
                             "</table><td>late</td>";
    const auto r = walk(page, {item("[StartLoop]", "<table"), item("[MoveTo]", "<td>"), item("[Extract]", "</td>", "a"),
                               item("[MoveTo]", "<td>"), item("[Extract]", "</td>", "b"), item("[EndLoop]", "</table>"),
                               item("[Extract]", "</td>", "after")});
    EXPECT_TRUE(r.ok) << r.error;
    // The fourth pass finds the next cell only beyond the table's end, so the
    // loop is left and the cursor stands just past "</table>".
    EXPECT_EQ(r.entries, "a=a1@1 | b=b1@1 | #@0 | a=a2@1 | b=b2@1 | #@0 | a=a3@1 | b=b3@1 | #@0 | #@0 | "
                         "after=<td>late@0");
}

TEST(Walk, ExtractThatMeetsTheEndMarkerCutsUpToIt) {
    const auto r = walk("<ul><li>one<li>two</ul>rest",
                        {item("[StartLoop]", "<ul><li>"), item("[Extract]", "<li>", "entry"), item("[EndLoop]", "</ul>"), item("[Extract]", "", "cursorCheck"), item("[Extract]", "t", "rest")});
    EXPECT_TRUE(r.ok) << r.error;
    // Second pass: "<li>" lies beyond "</ul>", so "two" runs up to the marker.
    EXPECT_EQ(r.entries, "entry=one@1 | #@0 | entry=two@1 | #@0 | cursorCheck=@0 | rest=res@0");
}

TEST(Walk, MissingTokenInsideALoopIsNoError) {
    // With an end marker, a token that is not there ends the loop quietly.
    auto r = walk("<ul><li>a</li><li>b</li></ul>",
                  {item("[StartLoop]", "<ul>"), item("[MoveTo]", "<li>"), item("[MoveTo]", "<nope>"),
                   item("[Extract]", "</li>", "v"), item("[EndLoop]", "</ul>")});
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.entries, "#@0");

    // Without one, the item is skipped and the pass goes on.
    r = walk("<ul><li>a</li>", {item("[StartLoop]", "<ul>"), item("[MoveTo]", "<nope>"), item("[Extract]", "</li>", "v"),
                                item("[EndLoop]", "")});
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.entries, "v=<li>a@1 | #@0 | #@0 | #@0");
}

TEST(Walk, LoopWhoseEndMarkerComesFirstIsEmpty) {
    const auto r = walk("<b>old</b></table><table><td>x</td>",
                        {item("[StartLoop]", "<table>"), item("[MoveTo]", "<td>"), item("[Extract]", "</td>", "cell"),
                         item("[EndLoop]", "</table>"), item("[Extract]", "<td>", "after")});
    EXPECT_TRUE(r.ok) << r.error;
    // Nothing recorded for the loop; the cursor went just past "</table>".
    EXPECT_EQ(r.entries, "after=<table>@0");
}

TEST(Walk, NestedLoopsKeepTheirOwnEndMarkers) {
    const std::string page = "<table><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr></table><p>after</p>";
    const auto r = walk(page, {item("[StartLoop]", "<table"), item("[StartLoop]", "<tr>"), item("[MoveTo]", "<td>"),
                               item("[Extract]", "</td>", "c"), item("[EndLoop]", "</tr>"), item("[EndLoop]", "</table>"),
                               item("[MoveTo]", "<p>"), item("[Extract]", "</p>", "tail")});
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.entries, "c=1@2 | #@1 | c=2@2 | #@1 | #@1 | #@0 | "
                         "c=3@2 | #@1 | #@1 | #@0 | #@0 | tail=after@0");
}

TEST(Walk, EmptyInnerLoopKeepsTheOuterEndMarker) {
    // The second row's inner list ends before it starts: nothing is recorded
    // for it, and the outer loop still ends at "</div>".
    const std::string page = "<div><h>A</h><ul><li>x</li></ul><h>B</h></ul><ul></div><h>Z</h>";
    const auto r = walk(page, {item("[StartLoop]", "<div>"), item("[MoveTo]", "<h>"), item("[Extract]", "</h>", "head"),
                               item("[StartLoop]", "<ul>"), item("[MoveTo]", "<li>"), item("[Extract]", "</li>", "li"),
                               item("[EndLoop]", "</ul>"), item("[EndLoop]", "</div>"), item("[MoveTo]", "<h>"),
                               item("[Extract]", "</h>", "last")});
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.entries, "head=A@1 | li=x@2 | #@1 | #@1 | #@0 | head=B@1 | #@0 | #@0 | last=Z@0");
}

TEST(Walk, LoopThatStopsMovingTheCursorIsLeft) {
    struct Case {
        const char* what;
        std::string page;
        std::vector<ScriptItem> items;
        std::string expected;
    } cases[] = {
        {"only empty tokens", "xdef",
         {item("[StartLoop]", "x"), item("[Extract]", "", "v"), item("[EndLoop]", ""), item("[Extract]", "f", "after")},
         "v=@1 | #@0 | #@0 | after=de@0"},
        {"only unknown actions", "<ul><li>a</li></ul>b.",
         {item("[StartLoop]", "<ul>"), item("[Nothing]", "li"), item("[EndLoop]", "</ul>"), item("[Extract]", ".", "after")},
         "#@0 | #@0 | after=b@0"},
        {"empty end marker after some passes", "<ul><li>a</li><li>b</li></ul>tail",
         {item("[StartLoop]", "<ul>"), item("[MoveTo]", "<li>"), item("[Extract]", "</li>", "v"), item("[EndLoop]", ""),
          item("[Extract]", "", "at")},
         "v=a@1 | #@0 | v=b@1 | #@0 | #@0 | #@0 | at=@0"},
        {"an inner loop stalls, then the outer one", "<r><i>1</i><i>2</i></r><r></r>.",
         {item("[StartLoop]", "<r>"), item("[StartLoop]", ""), item("[MoveTo]", "<i>"), item("[Extract]", "</i>", "i"),
          item("[EndLoop]", ""), item("[EndLoop]", "</r>"), item("[Extract]", ".", "after")},
         "i=1@2 | #@1 | i=2@2 | #@1 | #@1 | #@1 | #@0 | #@1 | #@1 | #@0 | #@0 | after=<r></r>@0"},
    };
    for (const Case& c : cases) {
        const auto r = walk(c.page, c.items);
        EXPECT_TRUE(r.ok) << c.what << ": " << r.error;
        EXPECT_EQ(r.entries, c.expected) << c.what;
    }
}

TEST(Walk, FailuresNameTheMissingToken) {
    struct Case {
        const char* what;
        std::string page;
        std::vector<ScriptItem> items;
        std::string error;
        std::string entriesSoFar;
    } cases[] = {
        {"top-level MoveTo", "<h1>x</h1>", {item("[MoveTo]", "<h2>")}, "\nCould not find [MoveTo]:  <h2>", ""},
        {"top-level StartLoop", "<h1>x</h1>", {item("[StartLoop]", "<table"), item("[EndLoop]", "</table>")},
         "\nCould not find [MoveTo]:  <table", ""},
        {"top-level Extract", "<h1>x</h1>", {item("[Extract]", "</h1>", "a"), item("[Extract]", "</h2>", "b")},
         "\nCould not find [Extract]:  </h2>", "a=<h1>x@0"},
        {"end marker missing when entering", "<table><td>1</td>",
         {item("[StartLoop]", "<table"), item("[Extract]", "</td>", "c"), item("[EndLoop]", "</table>")},
         "\nCould not find [EndLoop]:  </table>", ""},
        {"MoveTo overshoots the end marker", "<table>ab</table>",
         {item("[StartLoop]", "<table>"), item("[MoveTo]", "b</table>"), item("[EndLoop]", "</table>")},
         "\nCould not find [EndLoop]:  </table>", ""},
        {"item after overshooting the end marker", "<table>ab</table>",
         {item("[StartLoop]", "<table>"), item("[MoveTo]", "b</table>"), item("[Extract]", "x", "v"),
          item("[EndLoop]", "</table>")},
         "\nCould not find [EndLoop]:  </table>", ""},
        {"inner StartLoop under an empty end marker", "<ul>x",
         {item("[StartLoop]", "<ul>"), item("[StartLoop]", "<ol>"), item("[EndLoop]", "</ol>"), item("[EndLoop]", "")},
         "\nCould not find [MoveTo]:  <ol>", ""},
    };
    for (const Case& c : cases) {
        const auto r = walk(c.page, c.items);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.error, c.error) << c.what;
        EXPECT_EQ(r.entries, c.entriesSoFar) << c.what;
    }
}

TEST(Walk, RandomScriptsEndWithEveryLoopClosed) {
    // Scripts and pages drawn from a few tokens, so tokens keep colliding
    // with end markers. Every walk must end (passes that stop moving end
    // their loop), and a successful one leaves the entry list in the shape
    // the kelpo writer relies on: depth falls one level at a time and the
    // last entry is back at depth 0.
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
        std::u16string error;
        if (!pairLoops(items, loops, error))
            continue;
        ++walked;
        std::vector<ExtractedEntry> entries;
        if (!walkPage(page, items, loops, entries, error))
            continue;
        int level = 0;
        for (const ExtractedEntry& e : entries) {
            ASSERT_GE(e.depth, 0);
            ASSERT_GE(e.depth, level - 1) << "round " << round;
            if (e.name == kDepthCountName) {
                ASSERT_TRUE(e.value.empty());
            }
            level = e.depth;
        }
        ASSERT_EQ(level, 0) << "round " << round;
    }
    EXPECT_GT(walked, 1000);
}

} // namespace
} // namespace zelvon
