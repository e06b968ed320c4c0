#include "watch/script_catalogue.h"

#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace zelvon {
namespace {

using test::TempDir;

TEST(ScriptCatalogue, ReadsTheEightTextsWithTheShortDecoder) {
    TempDir app;
    app.write("scripts/scripts.txt",
              "<root>\n"
              " <wareloft>\n"
              "  <productDetail url=\"http://s/detail?a=1&amp;id=\" nrt=\"old.nrt\"/>\n"
              "  <comment url=\"http://ignored\" nrt=\"ignored.nrt\"/>\n"
              "  <nameSearch url=\"http://s/find?&quot;q&quot;=\" nrt=\"search&#039;s.nrt\"/>\n"
              "  <whatsNew url=\"http://s/new\" nrt=\"new.nrt\" extra=\"x\"/>\n"
              "  <productDetail url=\"http://s/p?id=\" nrt=\"detail.nrt\"/>\n"
              "  <BestSelling url=\"http://wrong-case\" nrt=\"x.nrt\"/>\n"
              " </wareloft>\n"
              "</root>\n");
    ScriptCatalogue catalogue;
    ASSERT_EQ(catalogue.load(app.u16path()), ScriptCatalogue::LoadStatus::Loaded);
    EXPECT_TRUE(catalogue.loadErrorText().empty());
    // A later element of the same name replaces the earlier one.
    EXPECT_EQ(catalogue.productDetail().url, u"http://s/p?id=");
    EXPECT_EQ(catalogue.productDetail().nrt, u"detail.nrt");
    // &quot; and &#039; decode; the short decoder leaves &amp; alone.
    EXPECT_EQ(catalogue.nameSearch().url, u"http://s/find?\"q\"=");
    EXPECT_EQ(catalogue.nameSearch().nrt, u"search's.nrt");
    EXPECT_EQ(catalogue.whatsNew().url, u"http://s/new");
    EXPECT_EQ(catalogue.whatsNew().nrt, u"new.nrt");
    // Names are matched exactly, so the best-selling entry is missing.
    EXPECT_TRUE(catalogue.bestSelling().url.empty());
    EXPECT_TRUE(catalogue.bestSelling().nrt.empty());
    EXPECT_EQ(catalogue.scriptPath(catalogue.bestSelling()), app.u16path() + u"/scripts/");
}

TEST(ScriptCatalogue, FailuresNameTheFullPath) {
    const struct {
        const char* label;
        const char* content; // nullptr: no file
        ScriptCatalogue::LoadStatus status;
        const char16_t* tail;
    } cases[] = {
        {"no file", nullptr, ScriptCatalogue::LoadStatus::Missing,
         u" is missing.  Zelvon will not function properly.  Please Exit application."},
        {"not markup", "nothing here", ScriptCatalogue::LoadStatus::Missing,
         u" is missing.  Zelvon will not function properly.  Please Exit application."},
        {"no wareloft", "<root><store><productDetail url=\"u\" nrt=\"n\"/></store></root>",
         ScriptCatalogue::LoadStatus::Corrupt,
         u" is corrupt.  Zelvon will not function properly.  Please Exit application."},
        {"other root", "<Root><wareloft><productDetail url=\"u\" nrt=\"n\"/></wareloft></Root>",
         ScriptCatalogue::LoadStatus::Corrupt,
         u" is corrupt.  Zelvon will not function properly.  Please Exit application."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir app;
        if (c.content != nullptr)
            app.write("scripts/scripts.txt", c.content);
        ScriptCatalogue catalogue;
        EXPECT_EQ(catalogue.load(app.u16path()), c.status);
        EXPECT_EQ(catalogue.loadErrorText(), u"The File: " + app.u16path() + u"/scripts/scripts.txt" + c.tail);
        EXPECT_TRUE(catalogue.productDetail().url.empty());
    }
}

TEST(ScriptCatalogue, DerivedPathsAndUrls) {
    TempDir app;
    app.write("scripts/scripts.txt",
              "<root><wareloft>"
              "<productDetail url=\"http://s/detail.asp?id=\" nrt=\"detail.nrt\"/>"
              "<nameSearch url=\"http://s/search?words=\" nrt=\"search.nrt\"/>"
              "</wareloft></root>");
    ScriptCatalogue catalogue;
    ASSERT_EQ(catalogue.load(app.u16path()), ScriptCatalogue::LoadStatus::Loaded);
    EXPECT_EQ(catalogue.scriptPath(catalogue.productDetail()), app.u16path() + u"/scripts/detail.nrt");
    EXPECT_EQ(catalogue.detailUrl(u"1234"), u"http://s/detail.asp?id=1234");
    // Every blank becomes one "+"; other characters outside the unreserved
    // set are percent-encoded as UTF-8, so the store sees them as typed.
    const struct {
        const char16_t* name;
        const char16_t* url;
    } searches[] = {
        {u"three words here", u"http://s/search?words=three+words+here"},
        {u"one  two", u"http://s/search?words=one++two"},
        {u" C++ & caf\u00e9/", u"http://s/search?words=+C%2B%2B+%26+caf%C3%A9%2F"},
        {u"R&D v1.2_x~y-z", u"http://s/search?words=R%26D+v1.2_x~y-z"},
        {u"", u"http://s/search?words="},
    };
    for (const auto& s : searches)
        EXPECT_EQ(catalogue.searchUrl(s.name), s.url) << toUtf8(s.name);
}

} // namespace
} // namespace zelvon
