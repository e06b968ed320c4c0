#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace zelvon {
namespace {

const std::string kProgram = ZELVON_BIN_DIR "/zelvon-cli";

// A list file with a declaration, an unterminated element that a walk by
// siblings passes over, Windows-1252 bytes and raw entities.
const std::string kList =
    "<?xml version=\"1.0\"?>\r\n"
    "<vertrel version=\"1.0\">\r\n"
    "  <product productID=\"12\" name=\"A &amp; B\"><note/></product>\r\n"
    "  <broken id=\"x\">\r\n"
    "  <product productID=\"13\" name=\"Gr\xFC\xDF\x65\"/>\r\n"
    "</vertrel>\r\n";

const std::string kScript =
    "<extraction>\n"
    "<source url='[URL]'/>\n"
    "<item action='[MoveTo]' token='&lt;b&gt;' other=\"ignored\"/>\n"
    "</extraction>\n";

struct CliCase {
    const char* label;
    std::vector<std::string> args; // LIST, SCRIPT, CUT, EMPTY, MISSING stand for staged files
    int exitCode;
    const char* out;
};

class XmlCli : public ::testing::TestWithParam<CliCase> {
protected:
    void SetUp() override {
        dir.write("list.txt", kList);
        dir.write("extract.txt", kScript);
        dir.write("cut.txt", "<a k='1'/><b");
        dir.write("empty.txt", "");
    }
    test::TempDir dir;
};

TEST_P(XmlCli, PrintsWhatCallersSee) {
    const CliCase& c = GetParam();
    const std::map<std::string, std::string> staged = {
        {"LIST", "list.txt"}, {"SCRIPT", "extract.txt"}, {"CUT", "cut.txt"}, {"EMPTY", "empty.txt"}, {"MISSING", "missing.txt"}};
    std::vector<std::string> args{"xml"};
    for (const std::string& arg : c.args) {
        const auto file = staged.find(arg);
        args.push_back(file == staged.end() ? arg : dir.file(file->second));
    }
    const test::ProgramResult result = test::runProgram(kProgram, args, dir.str());
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_EQ(result.out, c.out);
    // Every failure explains itself on the error stream.
    EXPECT_EQ(result.err.empty(), c.exitCode == 0) << result.err;
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlCli, ::testing::Values(
    CliCase{"list_file", {"LIST"}, 0,
            "vertrel version=[1.0]\n"
            "  product productID=[12] name=[A &amp; B]\n"
            "    note\n"
            "  product productID=[13] name=[Gr\xC3\xBC\xC3\x9F" "e]\n"},
    CliCase{"find_subtree", {"--find", "vertrel\\product", "LIST"}, 0,
            "product productID=[12] name=[A &amp; B]\n  note\n"},
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
    CliCase{"find_without_path", {"LIST", "--find"}, 64, ""},
    CliCase{"unknown_option", {"--strict", "LIST"}, 64, ""}),
    [](const ::testing::TestParamInfo<CliCase>& param) { return std::string(param.param.label); });

} // namespace
} // namespace zelvon
