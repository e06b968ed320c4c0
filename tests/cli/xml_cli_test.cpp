#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace zelvon {
namespace {

struct CliCase {
    const char* label;
    std::vector<std::string> args; // LIST, SCRIPT, CUT, EMPTY, MISSING stand for staged files
    int exitCode;
    const char* out;
};

class XmlCli : public ::testing::TestWithParam<CliCase> {};

TEST_P(XmlCli, PrintsWhatCallersSee) {
    const CliCase& c = GetParam();
    test::TempDir dir;
    // A list file with a declaration, an unterminated element that a walk
    // by siblings passes over, Windows-1252 bytes and raw entities.
    dir.write("LIST", "<?xml version=\"1.0\"?>\r\n<vertrel version=\"1.0\">\r\n"
                      "  <product productID=\"12\" name=\"A &amp; B\"><note/></product>\r\n  <broken id=\"x\">\r\n"
                      "  <product productID=\"13\" name=\"Gr\xFC\xDF\x65\"/>\r\n</vertrel>\r\n");
    dir.write("SCRIPT", "<extraction>\n<source url='[URL]'/>\n<item action='[MoveTo]' token='&lt;b&gt;' x=\"no\"/>\n"
                        "</extraction>\n");
    dir.write("CUT", "<a k='1'/><b");
    dir.write("EMPTY", "");
    std::vector<std::string> args{"xml"};
    for (const std::string& arg : c.args)
        args.push_back(arg == "LIST" || arg == "SCRIPT" || arg == "CUT" || arg == "EMPTY" || arg == "MISSING"
                           ? dir.file(arg) : arg);
    const test::ProgramResult result = test::runProgram(ZELVON_BIN_DIR "/zelvon-cli", args, dir.str());
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err.empty(), c.exitCode == 0) << "every failure explains itself: " << result.err;
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlCli, ::testing::Values(
    CliCase{"list_file", {"LIST"}, 0,
            "vertrel version=[1.0]\n  product productID=[12] name=[A &amp; B]\n    note\n"
            "  product productID=[13] name=[Gr\xC3\xBC\xC3\x9F" "e]\n"},
    CliCase{"find_subtree", {"--find", "vertrel\\product", "LIST"}, 0, "product productID=[12] name=[A &amp; B]\n  note\n"},
    CliCase{"find_unterminated_element", {"LIST", "--find", "vertrel\\broken"}, 0, "broken id=[x]\n"},
    CliCase{"find_nothing", {"--find", "Vertrel", "LIST"}, 2, ""},
    CliCase{"script_reader_on_a_script", {"--script", "SCRIPT"}, 0,
            "extraction\n  source url=[[URL]]\n  item action=[[MoveTo]] token=[&lt;b&gt;]\n"},
    CliCase{"script_reader_on_the_list", {"--script", "--find", "vertrel", "LIST"}, 0,
            "vertrel\n  product\n    note\n  product\n"},
    CliCase{"cut_off_file_prints_what_was_built", {"CUT"}, 1, "a k=[1]\n"},
    CliCase{"cut_off_script", {"--script", "CUT"}, 1, "a k=[1]\n"},
    CliCase{"empty_file_fails", {"EMPTY"}, 1, ""},
    CliCase{"empty_script_is_fine", {"--script", "EMPTY"}, 0, ""},
    CliCase{"missing_file", {"MISSING"}, 1, ""},
    CliCase{"missing_script", {"--script", "MISSING"}, 1, ""},
    CliCase{"no_file", {}, 64, ""},
    CliCase{"two_files", {"LIST", "SCRIPT"}, 64, ""},
    CliCase{"find_without_path", {"LIST", "--find"}, 64, ""}),
    [](const auto& param) { return std::string(param.param.label); });

} // namespace
} // namespace zelvon
