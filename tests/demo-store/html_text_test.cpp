#include "html_text.h"
#include "store_options.h"

#include <gtest/gtest.h>

namespace zelvon::demo {
namespace {

TEST(EncodePage, Windows1252UsesTheCodePageAndReferencesTheRest) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain ASCII <b>&amp;</b>", "plain ASCII <b>&amp;</b>"},
        {"Bürokrat", "B\xFCrokrat"},
        // The bytes 0x80 to 0x9F that the code page fills with punctuation.
        {"€ – “x” Š ™", "\x80 \x96 \x93x\x94 \x8A \x99"},
        {"Łódź", "&#321;\xF3" "d&#378;"},
        {"漢字", "&#28450;&#23383;"},
        // Broken UTF-8 never aborts the page.
        {"a\xC3", "a?"},
        {"\xFFz", "?z"},
        {"\xE2\x82z", "??z"},
    };
    for (const auto& [utf8, expected] : cases)
        EXPECT_EQ(encodePage(utf8, PageCharset::Windows1252), expected) << utf8;
    EXPECT_EQ(encodePage("Łódź €", PageCharset::Utf8), "Łódź €");
}

TEST(EscapeHtml, EscapesMarkupAndQuotes) {
    EXPECT_EQ(escapeHtml("Zoë's <Notes> & \"more\""), "Zoë&#39;s &lt;Notes&gt; &amp; &quot;more&quot;");
    EXPECT_EQ(encodeQueryValue("Lumen & Vale"), "Lumen+%26+Vale");
    EXPECT_EQ(encodeQueryValue("Crème"), "Cr%C3%A8me");
}

TEST(StoreOptions, ParsesAndRejects) {
    const ParsedOptions defaults = parseStoreOptions({}, "/data");
    EXPECT_TRUE(defaults.error.empty());
    EXPECT_EQ(defaults.options.port, 47815);
    EXPECT_EQ(defaults.options.latencyMs, 0);
    EXPECT_EQ(defaults.options.appDataDir, "/data");

    const ParsedOptions set = parseStoreOptions({"--port", "0", "--latency", "250", "--appdata", "/x", "--log"}, "/data");
    EXPECT_TRUE(set.error.empty()) << set.error;
    EXPECT_EQ(set.options.port, 0);
    EXPECT_EQ(set.options.latencyMs, 250);
    EXPECT_EQ(set.options.appDataDir, "/x");
    EXPECT_TRUE(set.options.logRequests);

    EXPECT_TRUE(parseStoreOptions({"--help"}, "").showHelp);
    const std::vector<std::vector<std::string>> wrong = {
        {"--port"}, {"--port", "65536"}, {"--port", "-1"}, {"--port", "80x"}, {"--port", ""},
        {"--latency", "fast"}, {"--latency", "-5"}, {"--bogus"}, {"47815"},
    };
    for (const auto& args : wrong)
        EXPECT_FALSE(parseStoreOptions(args, "").error.empty()) << args.front() << (args.size() > 1 ? " " + args[1] : "");
}

} // namespace
} // namespace zelvon::demo
