#include "watch/watch_list.h"

#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace zelvon {
namespace {

using test::TempDir;

// No record in these tests is old enough to expire at this moment with a
// LeaveNew this large.
constexpr int kNeverExpire = 1000000;
const TimePoint kNow = std::chrono::system_clock::now();

ProductRecord sampleRecord(const std::string& name) {
    ProductRecord r;
    r.productURL = u"http://store.example/detail?id=" + u16(name);
    r.productID = u16(name);
    r.productName = u16(name);
    r.productCompany = u"Orvalis";
    r.productVersion = u"2.0";
    r.productDate = u"April 3, 2004";
    r.productDescription = u"A product.";
    r.previousVersion = u"1.0";
    return r;
}

TEST(WatchListFile, SavedLineHasEveryAttributeInOrderWithCrLf) {
    TempDir dir;
    WatchList list;
    EXPECT_FALSE(list.load(dir.u16file("productList.txt"), kNeverExpire, kNow));
    ProductRecord r = sampleRecord("Q");
    r.lastReload = u"04/03/2004 14:05";
    r.isNew = 0;
    r.keepNew = 1;
    r.groupType = -3;
    list.append(r);
    ASSERT_TRUE(list.save());
    EXPECT_EQ(dir.read("productList.txt"),
              "<vertrel version=\"1.0\">\r\n"
              "    <product productURL=\"http://store.example/detail?id=Q\" productID=\"Q\" productName=\"Q\""
              " productCompany=\"Orvalis\" productVersion=\"2.0\" productDate=\"April 3, 2004\""
              " productDescription=\"A product.\" previousVersion=\"1.0\" lastReload=\"04/03/2004 14:05\""
              " isNew=\"0\" keepNew=\"1\" groupType=\"-3\"/>\r\n"
              "</vertrel>\r\n");
}

TEST(WatchListFile, EveryTextFieldSurvivesSpecialCharacters) {
    // Markup characters, a text that already looks like an entity, Latin-1
    // and a character outside Windows-1252 (which turns the file into UTF-8).
    const std::u16string tricky[] = {
        u"A & B <c> \"d\" 'e'", u"AT&amp;T", u"&lt;not a tag&gt;", u"Caf\u00e9 \u20ac5",
        u"\u03a9mega", u"", u"  padded  ", u"x/>y", u"a=\"b\" c='d'",
        u"line one\r\nline\ttwo\n", u"\n\n",
    };
    TempDir dir;
    WatchList list;
    list.load(dir.u16file("productList.txt"), kNeverExpire, kNow);
    std::vector<ProductRecord> written;
    for (const auto& text : tricky) {
        ProductRecord r;
        r.productURL = u"http://s/?a=1&b=" + text;
        r.productID = text;
        r.productName = text;
        r.productCompany = text + u"co";
        r.productVersion = text + u"v";
        r.productDate = text + u"d";
        r.productDescription = text + u"desc";
        r.previousVersion = text + u"p";
        r.lastReload = text;
        r.isNew = 1;
        r.keepNew = 1; // keeps the expiry out of this test
        written.push_back(r);
        list.append(r);
    }
    ASSERT_TRUE(list.save());

    WatchList loaded;
    ASSERT_TRUE(loaded.load(dir.u16file("productList.txt"), 0, kNow));
    ASSERT_EQ(loaded.count(), written.size());
    for (size_t i = 0; i < written.size(); ++i)
        EXPECT_EQ(loaded.records()[i], written[i]) << "record " << i << ": " << toUtf8(written[i].productName);
}

TEST(WatchListFile, RemovedRecordsKeepIndexesUntilTheNextLoad) {
    TempDir dir;
    WatchList list;
    list.load(dir.u16file("productList.txt"), kNeverExpire, kNow);
    for (const char* name : {"Alpha", "Beta", "Gamma"})
        list.append(sampleRecord(name));
    ASSERT_TRUE(list.markRemoved(1));
    EXPECT_FALSE(list.markRemoved(3));
    ASSERT_TRUE(list.save());

    EXPECT_EQ(list.count(), 3u);
    EXPECT_EQ(list.record(2)->productName, u"Gamma");
    EXPECT_EQ(list.record(1)->removed, 1);
    EXPECT_EQ(dir.read("productList.txt").find("Beta"), std::string::npos);

    // An append after a removal gets a fresh index; older ones stay put.
    EXPECT_EQ(list.append(sampleRecord("Delta")), 3u);

    WatchList loaded;
    ASSERT_TRUE(loaded.load(dir.u16file("productList.txt"), kNeverExpire, kNow));
    ASSERT_EQ(loaded.count(), 2u);
    EXPECT_EQ(loaded.record(0)->productName, u"Alpha");
    EXPECT_EQ(loaded.record(1)->productName, u"Gamma");
    EXPECT_EQ(loaded.record(1)->removed, 0);
}

TEST(WatchListFile, ForeignElementsAndMissingAttributes) {
    TempDir dir;
    dir.write("list.txt",
              "<?xml version=\"1.0\"?>\n"
              "<vertrel version=\"1.0\">\n"
              "  <note text=\"ignored\"/>\n"
              "  <product productName=\"Bare\"/>\n"
              "  <Product productName=\"wrong case\"/>\n"
              "  <product productName=\"Numbers\" isNew=\" 7x\" keepNew=\"abc\" groupType=\"-2\" removed=\"1\"/>\n"
              "  <group><product productName=\"nested\"/></group>\n"
              "</vertrel>\n");
    WatchList list;
    ASSERT_TRUE(list.load(dir.u16file("list.txt"), kNeverExpire, kNow));
    ASSERT_EQ(list.count(), 2u);
    const ProductRecord bare = *list.record(0);
    EXPECT_EQ(bare.productName, u"Bare");
    EXPECT_TRUE(bare.productVersion.empty());
    EXPECT_EQ(bare.isNew, 0) << "a product without isNew loads as not new";
    const ProductRecord numbers = *list.record(1);
    EXPECT_EQ(numbers.isNew, 7);
    EXPECT_EQ(numbers.keepNew, 0);
    EXPECT_EQ(numbers.groupType, -2);
    EXPECT_EQ(numbers.removed, 0) << "removed is never read from the file";
}

TEST(WatchListFile, UnusableFilesLoadNothingButKeepThePath) {
    const struct {
        const char* label;
        const char* content; // nullptr: no file at all
    } cases[] = {
        {"missing file", nullptr},
        {"empty file", ""},
        {"no markup", "just text"},
        {"version 1.00", "<vertrel version=\"1.00\"><product productName=\"x\"/></vertrel>"},
        {"version with blank", "<vertrel version=\"1.0 \"><product productName=\"x\"/></vertrel>"},
        {"no version", "<vertrel><product productName=\"x\"/></vertrel>"},
        {"other root", "<Vertrel version=\"1.0\"><product productName=\"x\"/></Vertrel>"},
        {"cut off", "<vertrel version=\"1.0\">\n<product productName=\"x\"/>\n<product productName=\"y\"/>\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        if (c.content != nullptr)
            dir.write("list.txt", c.content);
        WatchList list;
        list.append(sampleRecord("left over"));
        EXPECT_FALSE(list.load(dir.u16file("list.txt"), kNeverExpire, kNow));
        EXPECT_EQ(list.count(), 0u);
        EXPECT_FALSE(list.isLoaded());
        EXPECT_EQ(list.path(), dir.u16file("list.txt"));
        // A later save writes to the remembered path, keeping an unusable
        // file's bytes beside it first.
        EXPECT_EQ(list.setAsidePath().empty(), c.content == nullptr);
        list.append(sampleRecord("after"));
        ASSERT_TRUE(list.save());
        WatchList check;
        ASSERT_TRUE(check.load(dir.u16file("list.txt"), kNeverExpire, kNow));
        ASSERT_EQ(check.count(), 1u);
        EXPECT_EQ(check.record(0)->productName, u"after");
        std::vector<std::string> kept;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            if (entry.path().filename() != "list.txt")
                kept.push_back(entry.path().filename().string());
        if (c.content == nullptr) {
            EXPECT_TRUE(kept.empty());
        } else {
            ASSERT_EQ(kept.size(), 1u);
            EXPECT_EQ(u16(kept[0]), list.setAsidePath().substr(list.setAsidePath().rfind(u'/') + 1));
            EXPECT_EQ(kept[0].rfind("list.txt.unreadable-", 0), 0u) << kept[0];
            EXPECT_EQ(dir.read(kept[0]), c.content);
        }
    }
}

// Something other than a regular file where the list belongs is the user's
// doing: it is never read (a named pipe would block, /dev/zero never end),
// never replaced, and both loading and saving say why.
TEST(WatchListFile, AnythingButARegularFileIsReportedAndLeftAlone) {
    namespace fs = std::filesystem;
    const struct {
        const char* label;
        std::function<void(const fs::path&)> make;
        const char16_t* what;
        fs::file_type type; // of the path itself, afterwards
    } cases[] = {
        {"folder", [](const fs::path& p) { fs::create_directory(p); }, u"a folder", fs::file_type::directory},
        {"named pipe", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, u"a named pipe",
         fs::file_type::fifo},
        {"link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
         u"a symbolic link to a device", fs::file_type::symlink},
        {"link to a folder", [](const fs::path& p) { fs::create_directory_symlink(p.parent_path(), p); },
         u"a symbolic link to a folder", fs::file_type::symlink},
        {"dangling link", [](const fs::path& p) { fs::create_symlink(p.parent_path() / "gone.txt", p); },
         u"a symbolic link that leads nowhere", fs::file_type::symlink},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        const fs::path path = dir.path() / "list.txt";
        c.make(path);
        WatchList list;
        EXPECT_FALSE(list.load(dir.u16file("list.txt"), kNeverExpire, kNow));
        EXPECT_EQ(list.count(), 0u);
        EXPECT_EQ(list.notAFile(), c.what);
        const std::u16string notice = list.takeSetAsideNotice();
        EXPECT_NE(notice.find(dir.u16file("list.txt")), std::u16string::npos) << toUtf8(notice);
        EXPECT_NE(notice.find(c.what), std::u16string::npos) << toUtf8(notice);
        EXPECT_NE(notice.find(u"left alone"), std::u16string::npos) << toUtf8(notice);
        EXPECT_EQ(list.takeSetAsideNotice(), u"");

        list.append(sampleRecord("added"));
        EXPECT_FALSE(list.save());
        EXPECT_FALSE(list.saveLostLock());
        EXPECT_NE(list.saveRefusal().find(c.what), std::u16string::npos) << toUtf8(list.saveRefusal());
        EXPECT_EQ(fs::symlink_status(path).type(), c.type);
        EXPECT_FALSE(fileExists(dir.u16file("gone.txt")));
        // The atomic writer underneath refuses as well.
        EXPECT_FALSE(writeFileAtomically(dir.u16file("list.txt"), "replaced"));
        EXPECT_EQ(fs::symlink_status(path).type(), c.type);
        size_t entries = 0;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            entries += entry.path().filename() == "list.txt" ? 0 : 1;
        EXPECT_EQ(entries, 0u) << "no set-aside copy or temporary file";
    }

    // A link to a regular list file is a list: read and saved through.
    TempDir dir;
    WatchList list;
    dir.write("real/list.txt", "<vertrel version=\"1.0\">\r\n</vertrel>\r\n");
    fs::create_symlink(dir.path() / "real/list.txt", dir.path() / "list.txt");
    ASSERT_TRUE(list.load(dir.u16file("list.txt"), kNeverExpire, kNow));
    list.append(sampleRecord("through"));
    ASSERT_TRUE(list.save()) << toUtf8(list.saveRefusal());
    EXPECT_TRUE(fs::is_symlink(dir.path() / "list.txt"));
    EXPECT_NE(dir.read("real/list.txt").find("through"), std::string::npos);
}

TEST(WatchListFile, SetAsideOncePerLoadNeverOverAnEarlierOne) {
    TempDir dir;
    const TimePoint moment = parseDateTime(u"06/15/2023 12:00").value_or(TimePoint{});
    dir.write("list.txt", "damaged 1");
    WatchList list;
    EXPECT_FALSE(list.load(dir.u16file("list.txt"), kNeverExpire, moment));
    EXPECT_EQ(list.setAsidePath(), dir.u16file("list.txt.unreadable-20230615-120000"));
    const std::u16string notice = list.takeSetAsideNotice();
    EXPECT_NE(notice.find(list.setAsidePath()), std::u16string::npos) << toUtf8(notice);
    EXPECT_TRUE(list.takeSetAsideNotice().empty()) << "said once";
    ASSERT_TRUE(list.save());
    list.append(sampleRecord("A"));
    ASSERT_TRUE(list.save()) << "a second save does not set the good file aside";
    EXPECT_EQ(dir.read("list.txt.unreadable-20230615-120000"), "damaged 1");

    // The same moment again: the earlier set-aside file keeps its bytes.
    dir.write("list.txt", "damaged 2");
    EXPECT_FALSE(list.load(dir.u16file("list.txt"), kNeverExpire, moment));
    EXPECT_EQ(list.setAsidePath(), dir.u16file("list.txt.unreadable-20230615-120000-2"));
    ASSERT_TRUE(list.save());
    EXPECT_EQ(dir.read("list.txt.unreadable-20230615-120000"), "damaged 1");
    EXPECT_EQ(dir.read("list.txt.unreadable-20230615-120000-2"), "damaged 2");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

class WatchListSaveFailure : public ::testing::Test {
protected:
    void TearDown() override { setBeforeRenameHookForTesting(nullptr); }
};

TEST_F(WatchListSaveFailure, InterruptedBeforeRenameLeavesThePreviousFileWhole) {
    TempDir dir;
    WatchList list;
    list.load(dir.u16file("productList.txt"), kNeverExpire, kNow);
    list.append(sampleRecord("Kept"));
    ASSERT_TRUE(list.save());
    const std::string before = dir.read("productList.txt");

    ProductRecord changed = *list.record(0);
    changed.productName = u"Lost";
    list.setRecord(0, changed);
    list.append(sampleRecord("Also lost"));
    int renames = 0;
    setBeforeRenameHookForTesting([&renames](const std::string&) {
        ++renames;
        return false; // as if the process died right before the rename
    });
    EXPECT_FALSE(list.save());
    setBeforeRenameHookForTesting(nullptr);

    EXPECT_EQ(renames, 1);
    EXPECT_EQ(dir.read("productList.txt"), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "no temporary file is left behind";

    // A folder that is not there fails as plainly, and is not made.
    list.load(dir.u16file("no-such-folder/productList.txt"), kNeverExpire, kNow);
    list.append(sampleRecord("A"));
    EXPECT_FALSE(list.save());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "no-such-folder"));
}

} // namespace
} // namespace zelvon
