// The Debian package as tools/package.sh builds it, unpacked into a
// temporary root: its programs run from there against the demo store, and
// its desktop entry, AppStream metadata, manual pages and completion are
// what the desktop and the shell expect.

#include "demo_store.h"
#include "install/install_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace zelvon {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

fs::path builtPackage() {
    for (const auto& entry : fs::directory_iterator(ZELVON_PACKAGE_DIR))
        if (entry.path().extension() == ".deb")
            return entry.path();
    return {};
}

TEST(PackageTest, UnpackedPackageRunsAndIsWellFormed) {
    const fs::path deb = builtPackage();
    ASSERT_FALSE(deb.empty()) << "no .deb in " ZELVON_PACKAGE_DIR "; tools/package.sh builds it";
    EXPECT_NE(deb.filename().string().find("zelvon_" ZELVON_VERSION "-"), std::string::npos) << deb;
    TempDir root, home, scratch;
    const auto unpacked = test::runWithin(120, "/usr/bin/dpkg-deb", {"-x", deb.string(), root.str()}, scratch.str());
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err;
    const std::string usr = root.file("usr");

    ::setenv("HOME", home.str().c_str(), 1);
    ::setenv("XDG_DATA_HOME", home.file("data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", home.file("config").c_str(), 1);
    ::unsetenv("ZELVON_APP_FOLDER");
    demo::DemoStore store(demo::StoreOptions{0, 0, "", false});
    ASSERT_TRUE(store.start());
    test::pointAtStore(fs::path(usr) / "share/zelvon", store.baseUrl());

    const std::string bashScript =
        "source /usr/share/bash-completion/bash_completion\n"
        "source " + usr + "/share/bash-completion/completions/zelvon-cli\n"
        "complete_line() { COMP_WORDS=(\"$@\"); COMP_CWORD=$(( $# - 1 )); COMP_LINE=\"$*\";"
        " COMP_POINT=${#COMP_LINE}; COMPREPLY=(); _zelvon_cli; echo \"${COMPREPLY[*]}\"; }\n"
        "complete_line " + usr + "/bin/zelvon-cli upd\n"
        "complete_line " + usr + "/bin/zelvon-cli check --no\n";
    const struct {
        std::string program;
        std::vector<std::string> args;
        std::string outHas;
    } runs[] = {
        {usr + "/bin/zelvon-cli", {"--version"}, "zelvon-cli " ZELVON_VERSION "\n"},
        {usr + "/bin/zelvon", {"--version"}, "zelvon " ZELVON_VERSION "\n"},
        {usr + "/bin/zelvon-cli", {"add", "--id", "10412"}, "Added 0\t"},
        {usr + "/bin/zelvon-cli", {"check"}, "Download Success... Name: Cr\u00e8me Notes"},
        {"/usr/bin/desktop-file-validate", {usr + "/share/applications/com.tervane.Zelvon.desktop"}, ""},
        {"/usr/bin/appstreamcli", {"validate", "--no-net", usr + "/share/metainfo/com.tervane.Zelvon.metainfo.xml"}, ""},
        // The manual pages come from the programs' own help.
        {"/bin/gzip", {"-dc", usr + "/share/man/man1/zelvon-cli.1.gz"}, "update\\-scripts"},
        {"/bin/gzip", {"-dc", usr + "/share/man/man1/zelvon.1.gz"}, "\\-\\-app\\-folder"},
        {"/bin/bash", {"-c", bashScript}, "update-scripts\n--notify\n"},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.program + " " + r.args.front());
        const auto result = test::runWithin(120, r.program, r.args, scratch.str());
        EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
        EXPECT_NE(result.out.find(r.outHas), std::string::npos) << result.out;
    }
    EXPECT_TRUE(fs::exists(home.path() / "data/Tervane/Zelvon/cache/productList.txt"));
    EXPECT_TRUE(fs::exists(root.path() / "usr/share/doc/zelvon/copyright"));
    EXPECT_TRUE(fs::exists(root.path() / "usr/share/doc/zelvon/changelog.Debian.gz"));
}

} // namespace
} // namespace zelvon
