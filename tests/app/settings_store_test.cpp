#include "app/settings_store.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zelvon {
namespace {

using test::TempDir;

class SettingsStoreTest : public ::testing::Test {
protected:
    SettingsStoreTest() : store(dir.str()) { store.bind(u"Tervane", u"Zelvon"); }

    std::string fileText() const { return dir.read("Tervane/Zelvon.conf"); }
    void setFileText(const std::string& bytes) const { dir.write("Tervane/Zelvon.conf", bytes); }

    TempDir dir;
    SettingsStore store;
};

TEST_F(SettingsStoreTest, UnboundStoreReadsDefaultsAndWritesNothing) {
    SettingsStore unbound(dir.str());
    EXPECT_FALSE(unbound.isBound());
    EXPECT_EQ(unbound.filePath(), "");
    unbound.writeInt(u"WindowDefaults", u"SplitterPos", 140);
    unbound.writeString(u"Settings", u"ProxyAddress", u"proxy");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

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
    store.writeInt(u"HtmlView", u"bgColor", 0xCDFFFF);
    store.writeInt(u"Prefs", u"LeaveNew", -3);
    EXPECT_EQ(store.readInt(u"WindowDefaults", u"SplitterPos", 100), 140);
    EXPECT_EQ(store.readString(u"Prefs", u"ExternalBrowser", u"\\Windows\\iexplore.exe"), u"/usr/bin/firefox");
    EXPECT_EQ(store.readInt(u"HtmlView", u"bgColor", 0), 0xCDFFFF);
    EXPECT_EQ(store.readInt(u"Prefs", u"LeaveNew", 0), -3);
    // Other keys of the same sections still give their defaults.
    EXPECT_EQ(store.readInt(u"WindowDefaults", u"ViewOnBottom", 0), 0);
    EXPECT_EQ(store.readString(u"Prefs", u"Missing", u"dflt"), u"dflt");
    // Overwriting keeps one entry per key.
    store.writeInt(u"WindowDefaults", u"SplitterPos", 90);
    EXPECT_EQ(store.readInt(u"WindowDefaults", u"SplitterPos", 100), 90);
    EXPECT_EQ(fileText(),
              "[WindowDefaults]\nSplitterPos=90\n\n[Prefs]\nExternalBrowser=/usr/bin/firefox\nLeaveNew=-3\n\n"
              "[HtmlView]\nbgColor=13500415\n");
}

TEST_F(SettingsStoreTest, AnyTextRoundTrips) {
    const std::u16string texts[] = {
        u"",
        u"a=b=c",
        u"; not a comment",
        u"# nor this",
        u"[NotASection]",
        u"two\nlines\r\nand\rmore",
        u"  leading and trailing blanks  ",
        u" ",
        u"\ttabs\t",
        u"back\\slash\\n not a line break\\",
        u"\\x41 \\u0041 \\= \\",
        u"caf\u00e9 \u4e2d\u6587 \U0001F600",
        std::u16string{u'a', char16_t(0xD800), u'b', char16_t(0xDC00)}, // lone surrogates
        std::u16string{u'\0', u'\x01', u'\x7f', u'\x1b'},
    };
    int n = 0;
    for (const auto& text : texts) {
        const std::u16string key = u"Key" + fromUtf8(std::to_string(n++));
        store.writeString(u"Texts", key, text);
        EXPECT_EQ(store.readString(u"Texts", key, u"<default>"), text) << toUtf8(text);
    }
    // Keys and sections are texts too.
    for (const auto& text : texts) {
        store.writeString(text, text, u"value of " + text);
        EXPECT_EQ(store.readString(text, text, u"<default>"), u"value of " + text) << toUtf8(text);
    }
    // Earlier values survived all the later writes.
    n = 0;
    for (const auto& text : texts)
        EXPECT_EQ(store.readString(u"Texts", u"Key" + fromUtf8(std::to_string(n++)), u"<default>"), text);
}

TEST_F(SettingsStoreTest, HonoursTheLengthLimits) {
    const std::u16string text255(255, u'x');
    const std::u16string text256(256, u'y');
    const std::u16string text511(511, u'z');
    const std::u16string text512(512, u'w');
    store.writeString(u"S", u"Exactly255", text255);
    store.writeString(u"S", u"Over255", text256);
    store.writeString(u"S", u"Exactly511", text511);
    store.writeString(u"S", u"Over511", text512);
    EXPECT_EQ(store.readString(u"S", u"Exactly255", u"d"), text255);
    EXPECT_EQ(store.readString(u"S", u"Over255", u"d"), u"d");
    EXPECT_EQ(store.readString(u"S", u"Exactly511", u"d"), u"d");
    EXPECT_NE(fileText().find("Exactly511="), std::string::npos) << "stored, though too long to read back";
    EXPECT_EQ(fileText().find("Over511"), std::string::npos);

    // "SOFTWARE\Tervane\Zelvon\" is 24 characters: the section may have 231.
    const std::u16string section231(231, u's');
    const std::u16string section232(232, u's');
    store.writeInt(section231, u"K", 7);
    store.writeInt(section232, u"K", 7);
    EXPECT_EQ(store.readInt(section231, u"K", 0), 7);
    EXPECT_EQ(store.readInt(section232, u"K", 0), 0);
    EXPECT_EQ(fileText().find(toUtf8(section232)), std::string::npos);
}

TEST_F(SettingsStoreTest, IntegerReadsAcceptDecimalIntegersOnly) {
    struct Case {
        const char16_t* stored;
        int32_t expected; // the default is 55
    };
    const Case cases[] = {
        {u"0", 0},          {u"-2147483648", INT32_MIN}, {u"2147483647", INT32_MAX}, {u"2147483648", 55},
        {u"-2147483649", 55}, {u"12abc", 55},            {u"0x10", 55},             {u"", 55},
        {u"+5", 55},        {u"-", 55},                  {u"1.5", 55},              {u"99999999999999999999", 55},
        {u"\u0661", 55},
    };
    for (const auto& c : cases) {
        store.writeString(u"Ints", u"Value", c.stored);
        EXPECT_EQ(store.readInt(u"Ints", u"Value", 55), c.expected) << toUtf8(c.stored);
    }
    // A hand-edited file may put blanks around the value.
    setFileText("[Ints]\nValue =  42 \r\n");
    EXPECT_EQ(store.readInt(u"Ints", u"Value", 55), 42);
}

TEST_F(SettingsStoreTest, NamesMatchWithoutRegardToCaseLikeTheRegistry) {
    store.writeInt(u"Prefs", u"ReloadOnStart", 1);
    EXPECT_EQ(store.readInt(u"PREFS", u"reloadonstart", 0), 1);
    store.writeInt(u"prefs", u"RELOADONSTART", 0);
    EXPECT_EQ(store.readInt(u"Prefs", u"ReloadOnStart", 1), 0);
    EXPECT_EQ(fileText(), "[Prefs]\nRELOADONSTART=0\n");
}

TEST_F(SettingsStoreTest, HandEditedAndDamagedFilesKeepEverythingOnWrite) {
    const std::string damaged =
        "; written by hand\n"
        "orphan=before any section\n"
        "[Settings]\n"
        "ProxyAddress = proxy.example \n"
        "garbage line without separator\n"
        "[broken header\n"
        "\x01\xff\xfe binary \x80\n"
        "\n"
        "[Prefs]\n"
        "# comment\n"
        "ShowWhatsNew=0\n"
        "\n"
        "[Settings]\n"
        "ProxyPort=8080\r\n"
        "ProxyAddress=ignored duplicate\n"
        "last line without a line feed";
    setFileText(damaged);
    EXPECT_EQ(store.readString(u"Settings", u"ProxyAddress", u""), u"proxy.example");
    EXPECT_EQ(store.readString(u"Settings", u"ProxyPort", u""), u"8080");
    EXPECT_EQ(store.readInt(u"Prefs", u"ShowWhatsNew", 1), 0);
    EXPECT_EQ(store.readString(u"", u"orphan", u"d"), u"d");

    store.writeString(u"Settings", u"ProxyPort", u"3128"); // replaced where it stands
    store.writeInt(u"Prefs", u"LeaveNew", 2);                // added after the last entry
    store.writeInt(u"HtmlView", u"txColor", 0);              // a new section at the end
    EXPECT_EQ(fileText(),
              "; written by hand\n"
              "orphan=before any section\n"
              "[Settings]\n"
              "ProxyAddress = proxy.example \n"
              "garbage line without separator\n"
              "[broken header\n"
              "\x01\xff\xfe binary \x80\n"
              "\n"
              "[Prefs]\n"
              "# comment\n"
              "ShowWhatsNew=0\n"
              "LeaveNew=2\n"
              "\n"
              "[Settings]\n"
              "ProxyPort=3128\n"
              "ProxyAddress=ignored duplicate\n"
              "last line without a line feed\n"
              "\n"
              "[HtmlView]\n"
              "txColor=0\n");
}

TEST_F(SettingsStoreTest, AFolderInPlaceOfTheFileGivesDefaultsAndIsLeftAlone) {
    std::filesystem::create_directories(dir.path() / "Tervane/Zelvon.conf");
    store.writeInt(u"Prefs", u"LeaveNew", 2);
    EXPECT_EQ(store.readInt(u"Prefs", u"LeaveNew", 5), 5);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "Tervane/Zelvon.conf"));
}

TEST(SettingsStoreFileTest, AnUnreadableFileIsNotReplaced) {
    TempDir other;
    other.write("Tervane/Zelvon.conf", "[Prefs]\nLeaveNew=3\n");
    std::filesystem::permissions(other.path() / "Tervane/Zelvon.conf", std::filesystem::perms::none);
    if (::access(other.file("Tervane/Zelvon.conf").c_str(), R_OK) == 0)
        GTEST_SKIP() << "running with permission to read anything";
    SettingsStore locked(other.str());
    locked.bind(u"Tervane", u"Zelvon");
    locked.writeInt(u"Prefs", u"ShowBestSelling", 0);
    std::filesystem::permissions(other.path() / "Tervane/Zelvon.conf", std::filesystem::perms::owner_read);
    EXPECT_EQ(other.read("Tervane/Zelvon.conf"), "[Prefs]\nLeaveNew=3\n");
}

TEST_F(SettingsStoreTest, NamesThatWouldLeaveTheFolderAreRefused) {
    SettingsStore sneaky(dir.str());
    sneaky.bind(u"..", u"Zelvon");
    EXPECT_EQ(sneaky.filePath(), "");
    sneaky.bind(u"Tervane", u"../../escape");
    sneaky.writeInt(u"S", u"K", 1);
    EXPECT_EQ(sneaky.readInt(u"S", u"K", 0), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// Each writer adds its own keys; with a lost update some would be missing.
TEST_F(SettingsStoreTest, ConcurrentWritersFromThreadsLoseNothing) {
    constexpr int kThreads = 4;
    constexpr int kKeys = 15;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            for (int k = 0; k < kKeys; ++k)
                store.writeInt(u"Threads", fromUtf8("T" + std::to_string(t) + "K" + std::to_string(k)), t * 100 + k);
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < kKeys; ++k)
            EXPECT_EQ(store.readInt(u"Threads", fromUtf8("T" + std::to_string(t) + "K" + std::to_string(k)), -1),
                      t * 100 + k);
    }
}

TEST_F(SettingsStoreTest, ConcurrentWritersFromProcessesLoseNothing) {
    constexpr int kProcesses = 3;
    constexpr int kKeys = 15;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SettingsStore own(dir.str());
            own.bind(u"Tervane", u"Zelvon");
            for (int k = 0; k < kKeys; ++k)
                own.writeInt(fromUtf8("P" + std::to_string(p)), fromUtf8("K" + std::to_string(k)), p * 100 + k);
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int p = 0; p < kProcesses; ++p) {
        for (int k = 0; k < kKeys; ++k)
            EXPECT_EQ(store.readInt(fromUtf8("P" + std::to_string(p)), fromUtf8("K" + std::to_string(k)), -1),
                      p * 100 + k);
    }
}

TEST(SettingsStoreLocationTest, FollowsXdgConfigHomeThenHome) {
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string xdgBackup = savedXdg ? savedXdg : "";
    const char* savedHome = std::getenv("HOME");
    const std::string homeBackup = savedHome ? savedHome : "";

    ::setenv("XDG_CONFIG_HOME", "/xdg/config", 1);
    ::setenv("HOME", "/home/someone", 1);
    SettingsStore fromXdg;
    fromXdg.bind(u"Tervane", u"Zelvon");
    EXPECT_EQ(fromXdg.filePath(), "/xdg/config/Tervane/Zelvon.conf");

    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    SettingsStore fromHome;
    fromHome.bind(u"Tervane", u"Zelvon");
    EXPECT_EQ(fromHome.filePath(), "/home/someone/.config/Tervane/Zelvon.conf");

    savedXdg ? ::setenv("XDG_CONFIG_HOME", xdgBackup.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    savedHome ? ::setenv("HOME", homeBackup.c_str(), 1) : ::unsetenv("HOME");
}

} // namespace
} // namespace zelvon
