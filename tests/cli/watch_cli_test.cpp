// The watch commands as a user runs them: a local store, an application
// folder of our own and zelvon-cli started as a separate program.

#include "support/local_http_server.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "watch/watch_test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <sstream>
#include <thread>
#include <map>
#include <mutex>
#include <regex>
#include <sys/file.h>
#include <unistd.h>

namespace zelvon {
namespace {

using test::TempDir;

struct Product {
    std::string id;
    std::string name;
    std::string version;
    int isNew = 0;
    std::string lastReload = "01/01/2023 08:00";
    int keepNew = 0;
};

class WatchCli : public ::testing::Test {
protected:
    void SetUp() override {
        // Settings go to a folder of this test, never the user's own.
        ::setenv("XDG_CONFIG_HOME", config_.str().c_str(), 1);
        server_.server().Get(R"(/product/(\w+))", [this](const httplib::Request& request, httplib::Response& response) {
            std::unique_lock<std::mutex> lock(mutex_);
            ++requests_;
            if (request.matches[1].str() == "stall") {
                // Held until the test lets go, so it can signal a run that
                // is surely inside this download.
                stalled_ = true;
                changed_.notify_all();
                changed_.wait_for(lock, std::chrono::seconds(20), [this] { return released_; });
            }
            const auto page = pages_.find(request.matches[1].str());
            if (page == pages_.end()) {
                response.status = 404;
                return;
            }
            response.set_content(page->second, "text/html");
        });
        server_.start();
        test::stageAppFolder(app_, server_.url("/product/"), server_.url("/product/own"));
    }

    void setPage(const std::string& id, const std::string& name, const std::string& version) {
        std::lock_guard<std::mutex> lock(mutex_);
        pages_[id] = test::productPage(name, "Orvalis", version);
    }
    int requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

    void writeList(const std::vector<Product>& products) {
        std::string text = "<vertrel version=\"1.0\">\r\n";
        for (const Product& p : products)
            text += "    <product productURL=\"" + server_.url("/product/" + p.id) + "\" productID=\"" + p.id +
                    "\" productName=\"" + p.name + "\" productCompany=\"Orvalis\" productVersion=\"" + p.version +
                    "\" productDate=\"\" productDescription=\"\" previousVersion=\"" + p.version +
                    "\" lastReload=\"" + p.lastReload + "\" isNew=\"" + std::to_string(p.isNew) +
                    "\" keepNew=\"" + std::to_string(p.keepNew) + "\" groupType=\"0\"/>\r\n";
        text += "</vertrel>\r\n";
        app_.write("cache/productList.txt", text);
    }
    std::string listFile() const { return app_.read("cache/productList.txt"); }

    test::ProgramResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--app-folder", app_.str()});
        return test::runProgram(ZELVON_BIN_DIR "/zelvon-cli", args, scratch_.str());
    }

    TempDir app_;
    TempDir config_;
    TempDir scratch_;
    test::LocalHttpServer server_;
    std::mutex mutex_;
    std::map<std::string, std::string> pages_;
    int requests_ = 0;
    std::condition_variable changed_;
    bool stalled_ = false;
    bool released_ = false;
};

// The zelvon-cli this test process started, found through /proc.
pid_t childProgram() {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line) || line.find("(zelvon-cli)") == std::string::npos)
            continue;
        std::istringstream rest(line.substr(line.rfind(')') + 1));
        char state = 0;
        pid_t parent = 0;
        if (rest >> state >> parent && parent == ::getpid())
            return static_cast<pid_t>(std::stol(entry.path().filename().string()));
    }
    return 0;
}

TEST_F(WatchCli, ASignalStopsTheRunWhereverItComes) {
    const std::string catalogue = app_.read("scripts/scripts.txt");
    const std::string whatsNew = "<whatsNew url=\"http://127.0.0.1:1/new\" nrt=\"new.nrt\"/>";
    const size_t at = catalogue.find(whatsNew);
    ASSERT_NE(at, std::string::npos);
    // What's New from the stalling page, through a script that exists.
    std::string stallingLists = catalogue;
    stallingLists.replace(at, whatsNew.size(),
                          "<whatsNew url=\"" + server_.url("/product/stall") + "\" nrt=\"detail.nrt\"/>");
    const struct {
        const char* label;
        std::string catalogue;
        std::vector<Product> list;
        int signal;
        const char* shown;    // in the output
        const char* notShown; // nowhere in the output
    } cases[] = {
        // The stalled product ends and is saved; nothing new starts (one
        // at a time, so "Zed" is still waiting when the signal comes).
        {"during a download", catalogue, {{"1", "One", "1.0"}, {"stall", "Two", "1.0"}, {"zed", "Zed", "1.0"}}, SIGTERM,
         "Download has been cancelled.\n", "Downloading What's New List"},
        // After the last product: the second store list is not fetched.
        {"during the store lists", stallingLists, {{"1", "One", "1.0"}}, SIGINT, "Downloading What's New List...\n",
         "Downloading Best Selling List"},
    };
    setPage("1", "One", "1.1");
    setPage("stall", "Two", "2.0");
    setPage("zed", "Zed", "3.0");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        app_.write("scripts/scripts.txt", c.catalogue);
        writeList(c.list);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stalled_ = released_ = false;
        }
        test::ProgramResult result;
        std::thread runner([&] { result = run({"check", "--jobs", "1", "--reload-all"}); });
        pid_t pid = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait_for(lock, std::chrono::seconds(20), [this] { return stalled_; });
            pid = childProgram();
        }
        EXPECT_GT(pid, 0);
        if (pid > 0)
            ::kill(pid, c.signal);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            released_ = true;
        }
        changed_.notify_all();
        runner.join();

        EXPECT_EQ(result.exitCode, 128 + c.signal) << result.out << result.err;
        EXPECT_NE(result.out.find(c.shown), std::string::npos) << result.out;
        EXPECT_EQ(result.out.find(c.notShown), std::string::npos) << result.out;
        const std::string file = listFile();
        EXPECT_NE(file.find("productVersion=\"1.1\""), std::string::npos) << file;
        if (c.list.size() == 3) {
            EXPECT_NE(file.find("productVersion=\"2.0\""), std::string::npos) << "the running download is applied";
            EXPECT_EQ(result.out.find("Name: Zed"), std::string::npos) << result.out;
        }
    }
}

// While a check holds the folder, nothing a user or data can delete lets a
// second writer in; once the folder is replaced under it, the check stops
// at its next save instead of writing over what the new folder holds.
TEST_F(WatchCli, TheFolderLockHoldsUntilTheFolderIsReplaced) {
    setPage("stall", "Alpha", "2.0");
    setPage("2", "Beta", "2.0");
    writeList({{"stall", "Alpha", "1.0", 1, "", 1}, {"2", "Beta", "1.0"}, {"3", "Gamma", "1.0"}});
    test::ProgramResult check;
    std::thread runner([&] { check = run({"check", "--jobs", "1"}); });
    {
        std::unique_lock<std::mutex> lock(mutex_);
        ASSERT_TRUE(changed_.wait_for(lock, std::chrono::seconds(20), [this] { return stalled_; }));
    }
    const auto release = [this] {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            released_ = true;
        }
        changed_.notify_all();
    };
    // What the old lock file was, and the whole cache besides, goes.
    const std::string before = listFile();
    std::filesystem::remove_all(app_.path() / "cache");
    std::filesystem::create_directory(app_.path() / "cache");
    app_.write("cache/productList.txt", before);
    const auto ack = run({"ack", "--all"});
    EXPECT_EQ(ack.exitCode, 75) << ack.out << ack.err;
    EXPECT_EQ(listFile(), before);

    // Now the folder is moved away and a copy takes its place.
    const auto moved = scratch_.path() / "moved";
    std::filesystem::rename(app_.path(), moved);
    std::filesystem::copy(moved, app_.path(), std::filesystem::copy_options::recursive);
    release();
    runner.join();
    EXPECT_EQ(check.exitCode, 1) << check.out << check.err;
    EXPECT_NE(check.err.find("was replaced by another folder"), std::string::npos) << check.err;
    EXPECT_NE(check.err.find("lock is lost"), std::string::npos) << check.err;
    EXPECT_EQ(check.out.find("Name: Beta"), std::string::npos) << "nothing started after the lost lock";
    EXPECT_EQ(requests(), 1);
    EXPECT_EQ(listFile(), before);
    EXPECT_EQ(test::slurpFile((moved / "cache/productList.txt").string()), before);
    // The folder now at the path is free for the next run.
    const auto later = run({"ack", "--all"});
    EXPECT_EQ(later.exitCode, 0) << later.err;
    EXPECT_NE(listFile(), before);
}

// Something other than a regular file in the watch list's place is said
// and left alone: listing tells why, adding fetches but cannot save.
TEST_F(WatchCli, AListThatIsNoRegularFileIsReportedAndKept) {
    namespace fs = std::filesystem;
    setPage("7", "Added", "1.0");
    const fs::path list = app_.path() / "cache/productList.txt";
    const struct {
        const char* label;
        std::function<void()> make;
        fs::file_type type;
        const char* what;
    } cases[] = {
        {"named pipe", [&] { ASSERT_EQ(::mkfifo(list.c_str(), 0644), 0); }, fs::file_type::fifo, "a named pipe"},
        {"folder", [&] { fs::create_directory(list); }, fs::file_type::directory, "a folder"},
        {"link to /dev/zero", [&] { fs::create_symlink("/dev/zero", list); }, fs::file_type::symlink,
         "a symbolic link to a device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(list);
        c.make();
        const auto listed = run({"list"});
        EXPECT_EQ(listed.out, "");
        EXPECT_NE(listed.err.find(std::string("is ") + c.what + ", not a regular file"), std::string::npos)
            << listed.err;
        const auto added = run({"add", "--id", "7"});
        EXPECT_EQ(added.exitCode, 1) << added.out << added.err;
        EXPECT_NE(added.err.find("could not save the watch list"), std::string::npos) << added.err;
        EXPECT_NE(added.err.find("left alone"), std::string::npos) << added.err;
        EXPECT_EQ(fs::symlink_status(list).type(), c.type);
        for (const auto& entry : fs::directory_iterator(app_.path() / "cache"))
            EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
    }
}

TEST_F(WatchCli, CataloguePrintsTheEightTexts) {
    const auto result = run({"catalogue"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "productDetail url: " + server_.url("/product/") +
                              "\nproductDetail nrt: detail.nrt\n"
                              "nameSearch url: http://127.0.0.1:1/search?q=\nnameSearch nrt: search.nrt\n"
                              "whatsNew url: http://127.0.0.1:1/new\nwhatsNew nrt: new.nrt\n"
                              "bestSelling url: http://127.0.0.1:1/best\nbestSelling nrt: best.nrt\n");
    EXPECT_EQ(run({"catalogue", "extra"}).exitCode, 64);
}

TEST_F(WatchCli, CatalogueFailuresGoToStandardErrorWithExitTwo) {
    const std::string path = app_.str() + "/scripts/scripts.txt";
    app_.write("scripts/scripts.txt", "<root><store/></root>");
    const auto result = run({"catalogue"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.empty());
    EXPECT_NE(result.err.find("Load Error"), std::string::npos);
    EXPECT_NE(result.err.find("The File: " + path +
                              " is corrupt.  Zelvon will not function properly.  Please Exit application."),
              std::string::npos)
        << result.err;
}

TEST_F(WatchCli, ListShowsRecordsWithExpiryAppliedAndSavesNothing) {
    writeList({{"1", "Alpha", "1.0", 1, "01/01/2023 08:00", 0},
               {"2", "Beta &amp; Co", "2.5", 1, "01/01/2023 08:00", 1},
               {"3", "Gamma", "3.0", 0, "", 0}});
    const std::string before = listFile();
    const auto result = run({"list"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // LeaveNew is 0 days by default: Alpha's mark has expired; Beta is kept
    // new by hand.
    EXPECT_EQ(result.out, "0\tAlpha\t1.0\t\t01/01/2023 08:00\n"
                          "1\tBeta & Co\t2.5\tNEW\t01/01/2023 08:00\n"
                          "2\tGamma\t3.0\t\t\n");
    EXPECT_EQ(listFile(), before);

    const auto json = run({"list", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto parsed = nlohmann::json::parse(json.out);
    ASSERT_TRUE(parsed.is_array());
    ASSERT_EQ(parsed.size(), 3u);
    EXPECT_EQ(parsed[1], nlohmann::json({{"index", 1}, {"productURL", server_.url("/product/2")},
                                         {"productID", "2"}, {"productName", "Beta & Co"},
                                         {"productCompany", "Orvalis"}, {"productVersion", "2.5"},
                                         {"productDate", ""}, {"productDescription", ""},
                                         {"previousVersion", "2.5"}, {"lastReload", "01/01/2023 08:00"},
                                         {"isNew", 1}, {"keepNew", 1}, {"removed", 0}, {"groupType", 0}}));
    EXPECT_EQ(parsed[0]["isNew"], 0);

    EXPECT_EQ(run({"list", "--xml"}).exitCode, 64);
}

// The listing follows the user's collation, as the window's branch does.
TEST_F(WatchCli, ListFollowsTheLocaleOrder) {
    writeList({{"1", "Zo\xc3\xab's Garden Planner", "1.0", 0, "", 0},
               {"2", "\xc3\x86r\xc3\xb8 Ferry Times", "1.0", 0, "", 0},
               {"3", "\xe2\x82\xacuro Pocket Converter", "1.0", 0, "", 0},
               {"4", "\xc5\x81\xc3\xb3" "d\xc5\xba Transit", "1.0", 0, "", 0}});
    const char* saved = std::getenv("LC_ALL");
    const std::string old = saved ? saved : "";
    const struct {
        const char* locale;
        const char* expected;
    } cases[] = {
        // The euro sign first; Æ as "AE" in English, after Z in Danish.
        {"en_US.UTF-8", "2\n1\n3\n0\n"},
        {"da_DK.UTF-8", "2\n3\n0\n1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        setenv("LC_ALL", c.locale, 1);
        const auto result = run({"list"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        std::string indexes;
        std::istringstream lines(result.out);
        for (std::string line; std::getline(lines, line);)
            indexes += line.substr(0, line.find('\t')) + "\n";
        EXPECT_EQ(indexes, c.expected) << result.out;
    }
    saved ? setenv("LC_ALL", old.c_str(), 1) : unsetenv("LC_ALL");
}

TEST_F(WatchCli, WithoutAListFileThereIsNothingToDo) {
    const auto list = run({"list"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_TRUE(list.out.empty());
    const auto check = run({"check"});
    EXPECT_EQ(check.exitCode, 0) << check.err;
    EXPECT_EQ(check.out, "The watch list has no products.\n");
    EXPECT_FALSE(std::filesystem::exists(app_.path() / "cache/productList.txt"));
}

TEST_F(WatchCli, CheckAllGoesByNameReportsFailuresAndSavesTheRest) {
    writeList({{"1", "gamma", "1.0"}, {"2", "Beta", "1.0"}, {"3", "alpha", "1.0"}});
    setPage("1", "gamma", "1.0");
    setPage("3", "alpha", "1.1");
    // Product 2 has no page: the store answers 404.

    const auto result = run({"check"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    const std::string url = server_.url("/product/");
    const std::string expectedStart = "Downloading Data for... Name: alpha Url: " + url + "3\n"
                                      "Download Success... Name: alpha\n"
                                      "Downloading Data for... Name: Beta Url: " + url + "2\n"
                                      "Download Failure... Name: Beta (Cached)\n";
    ASSERT_EQ(result.out.substr(0, expectedStart.size()), expectedStart) << result.out;
    EXPECT_NE(result.out.find("\n    Could not download:  " + url + "2\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Downloading Data for... Name: gamma Url: " + url + "1\n"
                              "Download Success... Name: gamma\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("** New Update Available ** alpha"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("** New Update Available ** gamma"), std::string::npos);
    EXPECT_EQ(result.out.find("** New Update Available ** Beta"), std::string::npos);

    const std::string file = listFile();
    EXPECT_NE(file.find("productName=\"alpha\" productCompany=\"Orvalis\" productVersion=\"1.1\""),
              std::string::npos)
        << file;
    EXPECT_NE(file.find("previousVersion=\"1.0\""), std::string::npos);
    // Beta keeps its old stamp; the other two were stamped just now.
    EXPECT_NE(file.find("productName=\"Beta\""), std::string::npos);
    const std::regex stamp(R"re(lastReload="(\d\d/\d\d/\d{4} \d\d:\d\d)")re");
    int fresh = 0;
    int old = 0;
    for (auto it = std::sregex_iterator(file.begin(), file.end(), stamp); it != std::sregex_iterator(); ++it)
        ((*it)[1] == "01/01/2023 08:00" ? old : fresh) += 1;
    EXPECT_EQ(fresh, 2);
    EXPECT_EQ(old, 1);

    // One download at a time reports the same, word for word.
    writeList({{"1", "gamma", "1.0"}, {"2", "Beta", "1.0"}, {"3", "alpha", "1.0"}});
    const auto sequential = run({"check", "--jobs", "1"});
    EXPECT_EQ(sequential.exitCode, 1);
    EXPECT_EQ(sequential.out, result.out);
    EXPECT_NE(result.out.find("Checked 3 products: 1 new version, 1 failed.\n"), std::string::npos) << result.out;

    // A product new since an earlier run that fails now is still listed,
    // but found nothing: the summary does not count it.
    writeList({{"1", "gamma", "1.0"}, {"2", "Beta", "1.0", 1, "01/01/2023 08:00", 1}, {"3", "alpha", "1.0"}});
    const auto markedBefore = run({"check"});
    EXPECT_NE(markedBefore.out.find("** New Update Available ** Beta"), std::string::npos) << markedBefore.out;
    EXPECT_NE(markedBefore.out.find("Checked 3 products: 1 new version, 1 failed.\n"), std::string::npos)
        << markedBefore.out;
}

TEST_F(WatchCli, ReloadAllEndsWithBothStoreListsUnlessTheListIsEmpty) {
    const auto empty = run({"check", "--reload-all"});
    EXPECT_EQ(empty.exitCode, 0) << empty.err;
    EXPECT_EQ(empty.out, "The watch list has no products.\n");

    // The staged catalogue's store lists live at a port nobody serves, so
    // both downloads fail, after the products and each with its caption.
    writeList({{"1", "One", "1.0"}});
    setPage("1", "One", "1.0");
    const auto result = run({"check", "--reload-all"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    const size_t product = result.out.find("Download Success... Name: One");
    const size_t whatsNew = result.out.find("Downloading What's New List...\nFailed to Get What's New List: ");
    const size_t best = result.out.find("Downloading Best Selling List...\nFailed to Get Best Selling List: ");
    ASSERT_NE(best, std::string::npos) << result.out;
    EXPECT_LT(product, whatsNew) << result.out;
    EXPECT_LT(whatsNew, best) << result.out;
    // Each list's message is one line with its cause on the next, no blank
    // line between, the same from reload-lists.
    const auto reloaded = run({"reload-lists"});
    EXPECT_EQ(reloaded.exitCode, 1) << reloaded.err;
    for (const std::string& out : {result.out, reloaded.out}) {
        for (const char* caption : {"Failed to Get What's New List: ", "Failed to Get Best Selling List: "}) {
            const size_t line = out.find(caption);
            ASSERT_NE(line, std::string::npos) << out;
            const size_t next = out.find('\n', line) + 1;
            EXPECT_EQ(out.compare(next, 7, "Cause: "), 0) << out;
        }
    }
    EXPECT_EQ(requests(), 1);
}

TEST_F(WatchCli, CheckGivenIndexesOnly) {
    writeList({{"1", "One", "1.0"}, {"2", "Two", "1.0"}});
    setPage("1", "One", "1.0");
    setPage("2", "Two renamed", "1.0");
    const auto result = run({"check", "1"});
    EXPECT_EQ(result.exitCode, 0) << result.err << result.out;
    EXPECT_EQ(result.out.find("Name: One"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Download Success... Name: Two\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("No new updates."), std::string::npos);
    EXPECT_EQ(requests(), 1);
    EXPECT_NE(listFile().find("productName=\"Two renamed\""), std::string::npos);
}

TEST_F(WatchCli, CommandsThatCannotRunChangeNothing) {
    writeList({{"1", "One", "1.0"}});
    setPage("1", "One", "2.0");
    const std::string good = listFile();
    const std::string catalogue = app_.read("scripts/scripts.txt");
    const std::string missing = " is missing.  Zelvon will not function properly.  Please Exit application.";
    const std::string unreadable = "productList.txt could not be read";
    const struct {
        const char* label;
        std::vector<std::string> args;
        std::string list;      // the list file for this case
        bool withCatalogue;
        bool locked;           // another process holds the folder
        int exitCode;
        std::string message;   // part of standard error
    } cases[] = {
        {"index out of range", {"check", "0", "1"}, good, true, false, 64, "usage: zelvon-cli"},
        {"negative index", {"check", "0", "-1"}, good, true, false, 64, "usage: zelvon-cli"},
        {"word", {"check", "x"}, good, true, false, 64, "usage: zelvon-cli"},
        {"hex", {"check", "0x0"}, good, true, false, 64, "usage: zelvon-cli"},
        {"empty index", {"check", ""}, good, true, false, 64, "usage: zelvon-cli"},
        {"no jobs", {"check", "--jobs", "0"}, good, true, false, 64, "--jobs takes a number"},
        {"jobs missing", {"check", "--jobs"}, good, true, false, 64, "--jobs"},
        {"jobs word", {"check", "--jobs", "many"}, good, true, false, 64, "--jobs takes a number"},
        {"no catalogue", {"check"}, good, false, false, 2, missing},
        {"folder busy", {"check"}, good, true, true, 75, "Another Zelvon process"},
        // A list that exists but does not load reads as empty, with the user
        // told; it is never replaced by what little could be read of it.
        {"other version", {"check"}, "<vertrel version=\"2.0\"></vertrel>", true, false, 0, unreadable},
        {"cut off", {"check"}, good.substr(0, good.size() - 12), true, false, 0, unreadable},
        {"cut off in a line", {"check"}, good.substr(0, good.size() / 2), true, false, 0, unreadable},
        {"empty file", {"check"}, "", true, false, 0, unreadable},
        {"list of other version", {"list"}, "<vertrel version=\"1.00\"></vertrel>", true, false, 0, unreadable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        app_.write("cache/productList.txt", c.list);
        if (c.withCatalogue)
            app_.write("scripts/scripts.txt", catalogue);
        else
            std::filesystem::remove(app_.path() / "scripts/scripts.txt");
        int lockFd = -1;
        if (c.locked) {
            lockFd = ::open(app_.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ASSERT_EQ(::flock(lockFd, LOCK_EX | LOCK_NB), 0);
        }
        const auto result = run(c.args);
        if (lockFd >= 0)
            ::close(lockFd);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(listFile(), c.list);
    }
    EXPECT_EQ(requests(), 0);

    // The same command with everything in order does change the list.
    app_.write("cache/productList.txt", good);
    const auto allowed = run({"check"});
    EXPECT_EQ(allowed.exitCode, 0) << allowed.err;
    EXPECT_NE(allowed.out.find("** New Update Available ** One"), std::string::npos) << allowed.out;
    EXPECT_NE(listFile(), good);
}

} // namespace
} // namespace zelvon
