#include "app/settings_store.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace zelvon {
namespace {

namespace fs = std::filesystem;

class SettingsStoreTest : public ::testing::Test {
protected:
    SettingsStoreTest() : store(dir.str()) { store.bind(u"Tervane", u"Zelvon"); }

    std::string fileText() const { return dir.read("Tervane/Zelvon.conf"); }

    test::TempDir dir;
    SettingsStore store;
};

TEST_F(SettingsStoreTest, UnboundStoreReadsDefaultsAndWritesNothing) {
    SettingsStore unbound(dir.str());
    EXPECT_EQ(unbound.filePath(), "");
    unbound.writeInt(u"WindowDefaults", u"SplitterPos", 140);
    unbound.writeString(u"Settings", u"ProxyAddress", u"proxy");
    EXPECT_TRUE(fs::is_empty(dir.path()));
    store.writeInt(u"WindowDefaults", u"SplitterPos", 140);
    EXPECT_EQ(unbound.readInt(u"WindowDefaults", u"SplitterPos", 100), 100);
    EXPECT_EQ(unbound.readString(u"Settings", u"ProxyAddress", u"none"), u"none");
}

TEST_F(SettingsStoreTest, ReadsDefaultsUntilWrittenThenTheStoredValue) {
    EXPECT_EQ(store.filePath(), dir.file("Tervane/Zelvon.conf"));
    EXPECT_EQ(store.readInt(u"WindowDefaults", u"SplitterPos", 100), 100);
    EXPECT_EQ(store.readString(u"Prefs", u"ExternalBrowser", u"\\Windows\\iexplore.exe"), u"\\Windows\\iexplore.exe");

    store.writeInt(u"WindowDefaults", u"SplitterPos", 140);
    store.writeString(u"Prefs", u"ExternalBrowser", u"/usr/bin/firefox");
    store.writeInt(u"Prefs", u"LeaveNew", -3);
    EXPECT_EQ(store.readInt(u"WindowDefaults", u"SplitterPos", 100), 140);
    EXPECT_EQ(store.readString(u"Prefs", u"ExternalBrowser", u"\\Windows\\iexplore.exe"), u"/usr/bin/firefox");
    EXPECT_EQ(store.readInt(u"Prefs", u"LeaveNew", 0), -3);
    EXPECT_EQ(store.readInt(u"WindowDefaults", u"ViewOnBottom", 7), 7);
    // Names match without regard to case, like the registry's.
    EXPECT_EQ(store.readInt(u"WINDOWDEFAULTS", u"splitterpos", 100), 140);
    store.writeInt(u"windowdefaults", u"SPLITTERPOS", 90);
    EXPECT_EQ(store.readInt(u"WindowDefaults", u"SplitterPos", 100), 90);
    EXPECT_EQ(fileText(), "[WindowDefaults]\nSPLITTERPOS=90\n\n[Prefs]\nExternalBrowser=/usr/bin/firefox\nLeaveNew=-3\n");
}

TEST_F(SettingsStoreTest, AnyTextRoundTripsAsValueKeyOrSection) {
    const std::u16string texts[] = {
        u"",
        u"a=b=c",
        u"; not a comment",
        u"# nor this",
        u"[NotASection]",
        u"two\nlines\r\nand\rmore",
        u"  leading and trailing blanks  ",
        u"\ttabs\t",
        u"back\\slash\\n not a line break\\",
        u"\\x41 \\u0041 \\= \\",
        u"caf\u00e9 \u4e2d\u6587 \U0001F600",
        std::u16string{u'a', char16_t(0xD800), u'b', char16_t(0xDC00), u'\0', u'\x01', u'\x7f'},
    };
    int n = 0;
    for (const auto& text : texts) {
        const std::u16string key = u"Key" + fromUtf8(std::to_string(n++));
        store.writeString(u"Texts", key, text);
        store.writeString(text, text, u"value of " + text);
        EXPECT_EQ(store.readString(u"Texts", key, u"<default>"), text) << toUtf8(text);
        EXPECT_EQ(store.readString(text, text, u"<default>"), u"value of " + text) << toUtf8(text);
    }
    n = 0; // earlier values survived all the later writes
    for (const auto& text : texts)
        EXPECT_EQ(store.readString(u"Texts", u"Key" + fromUtf8(std::to_string(n++)), u"<default>"), text);
}

TEST_F(SettingsStoreTest, HonoursTheLengthLimits) {
    store.writeString(u"S", u"Exactly255", std::u16string(255, u'x'));
    store.writeString(u"S", u"Over255", std::u16string(256, u'y'));
    store.writeString(u"S", u"Exactly511", std::u16string(511, u'z'));
    store.writeString(u"S", u"Over511", std::u16string(512, u'w'));
    EXPECT_EQ(store.readString(u"S", u"Exactly255", u"d"), std::u16string(255, u'x'));
    EXPECT_EQ(store.readString(u"S", u"Over255", u"d"), u"d");
    EXPECT_EQ(store.readString(u"S", u"Exactly511", u"d"), u"d");
    EXPECT_NE(fileText().find("Exactly511="), std::string::npos) << "stored, though too long to read back";
    EXPECT_EQ(fileText().find("Over511"), std::string::npos);

    // "SOFTWARE\Tervane\Zelvon\" is 24 characters: the section may have 231.
    store.writeInt(std::u16string(231, u's'), u"K", 7);
    store.writeInt(std::u16string(232, u't'), u"K", 7);
    EXPECT_EQ(store.readInt(std::u16string(231, u's'), u"K", 0), 7);
    EXPECT_EQ(store.readInt(std::u16string(232, u't'), u"K", 0), 0);
    EXPECT_EQ(fileText().find("ttt"), std::string::npos);
}

TEST_F(SettingsStoreTest, IntegerReadsAcceptDecimalIntegersOnly) {
    const std::pair<std::u16string, int32_t> cases[] = { // the default is 55
        {u"0", 0},      {u"-2147483648", INT32_MIN}, {u"2147483647", INT32_MAX}, {u"2147483648", 55},
        {u"-2147483649", 55}, {u"12abc", 55},        {u"0x10", 55},             {u"", 55},
        {u"+5", 55},    {u"-", 55},                  {u"1.5", 55},              {u"\u0661", 55},
    };
    for (const auto& [stored, expected] : cases) {
        store.writeString(u"Ints", u"Value", stored);
        EXPECT_EQ(store.readInt(u"Ints", u"Value", 55), expected) << toUtf8(stored);
    }
    dir.write("Tervane/Zelvon.conf", "[Ints]\nValue =  42 \r\n"); // blanks put there by hand
    EXPECT_EQ(store.readInt(u"Ints", u"Value", 55), 42);
}

TEST_F(SettingsStoreTest, HandEditedAndDamagedFilesKeepEverythingOnWrite) {
    const std::string head = "; written by hand\norphan=before any section\n[Settings]\n"
                             "ProxyAddress = proxy.example \ngarbage line\n[broken header\n\x01\xff binary \x80\n\n"
                             "[Prefs]\n# comment\nShowWhatsNew=0\n";
    dir.write("Tervane/Zelvon.conf", head + "\n[Settings]\nProxyPort=8080\r\nProxyAddress=ignored duplicate\nlast line");
    EXPECT_EQ(store.readString(u"Settings", u"ProxyAddress", u""), u"proxy.example");
    EXPECT_EQ(store.readString(u"Settings", u"ProxyPort", u""), u"8080");
    EXPECT_EQ(store.readInt(u"Prefs", u"ShowWhatsNew", 1), 0);
    EXPECT_EQ(store.readString(u"", u"orphan", u"d"), u"d");

    store.writeString(u"Settings", u"ProxyPort", u"3128"); // replaced where it stands
    store.writeInt(u"Prefs", u"LeaveNew", 2);                // added after the section's last entry
    store.writeInt(u"HtmlView", u"txColor", 0);              // a new section at the end
    EXPECT_EQ(fileText(), head + "LeaveNew=2\n\n[Settings]\nProxyPort=3128\nProxyAddress=ignored duplicate\n"
                                 "last line\n\n[HtmlView]\ntxColor=0\n");
}

TEST_F(SettingsStoreTest, UnusableFilesAndNamesGiveDefaultsAndAreLeftAlone) {
    SettingsStore sneaky(dir.str());
    sneaky.bind(u"..", u"Zelvon");
    EXPECT_EQ(sneaky.filePath(), "");
    sneaky.bind(u"Tervane", u"../../escape");
    sneaky.writeInt(u"S", u"K", 1);
    EXPECT_EQ(sneaky.readInt(u"S", u"K", 0), 0);
    EXPECT_TRUE(fs::is_empty(dir.path()));

    fs::create_directories(dir.path() / "Tervane/Zelvon.conf"); // a folder where the file belongs
    store.writeInt(u"Prefs", u"LeaveNew", 2);
    EXPECT_EQ(store.readInt(u"Prefs", u"LeaveNew", 5), 5);
    EXPECT_TRUE(fs::is_directory(dir.path() / "Tervane/Zelvon.conf"));

    fs::remove(dir.path() / "Tervane/Zelvon.conf");
    dir.write("Tervane/Zelvon.conf", "[Prefs]\nLeaveNew=3\n");
    fs::permissions(dir.path() / "Tervane/Zelvon.conf", fs::perms::none);
    if (::access(dir.file("Tervane/Zelvon.conf").c_str(), R_OK) == 0)
        GTEST_SKIP() << "running with permission to read anything";
    store.writeInt(u"Prefs", u"ShowBestSelling", 0);
    fs::permissions(dir.path() / "Tervane/Zelvon.conf", fs::perms::owner_read);
    EXPECT_EQ(fileText(), "[Prefs]\nLeaveNew=3\n") << "an unreadable file is not replaced";
}

// Each writer adds its own keys; with a lost update some would be missing.
TEST_F(SettingsStoreTest, ConcurrentWritersLoseNothing) {
    constexpr int kProcesses = 3;
    constexpr int kKeys = 15;
    auto key = [](int p, int k) { return fromUtf8("P" + std::to_string(p) + "K" + std::to_string(k)); };
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SettingsStore own(dir.str());
            own.bind(u"Tervane", u"Zelvon");
            for (int k = 0; k < kKeys; ++k)
                own.writeInt(u"Race", key(p, k), p * 100 + k);
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        EXPECT_EQ(::waitpid(child, &status, 0), child);
    }
    for (int p = 0; p < kProcesses; ++p) {
        for (int k = 0; k < kKeys; ++k)
            EXPECT_EQ(store.readInt(u"Race", key(p, k), -1), p * 100 + k);
    }
}

TEST(SettingsStoreLocationTest, FollowsXdgConfigHomeThenHome) {
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::optional<std::string> xdg = savedXdg ? std::optional<std::string>(savedXdg) : std::nullopt;
    const std::optional<std::string> home = savedHome ? std::optional<std::string>(savedHome) : std::nullopt;
    ::setenv("XDG_CONFIG_HOME", "/xdg/config", 1);
    ::setenv("HOME", "/home/someone", 1);
    SettingsStore fromXdg;
    fromXdg.bind(u"Tervane", u"Zelvon");
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    SettingsStore fromHome;
    fromHome.bind(u"Tervane", u"Zelvon");
    xdg ? ::setenv("XDG_CONFIG_HOME", xdg->c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    home ? ::setenv("HOME", home->c_str(), 1) : ::unsetenv("HOME");
    EXPECT_EQ(fromXdg.filePath(), "/xdg/config/Tervane/Zelvon.conf");
    EXPECT_EQ(fromHome.filePath(), "/home/someone/.config/Tervane/Zelvon.conf");
}

} // namespace
} // namespace zelvon
