// Why a check failed, as zelvon-cli tells it: every failure against a real
// local server (refused, 404, 500, stalled, trickling, self-signed, a page
// the scripts cannot read, a disk that takes no more), in the text, in the
// JSON and in the summary, with the described texts unchanged beside them.

#include "net/net_test_support.h"
#include "net/test_certificates.h"
#include "support/local_http_server.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "watch/watch_test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zelvon {
namespace {

using namespace std::chrono_literals;

struct Listed {
    std::string name;
    std::string url;
};

// zelvon-cli started by hand, so a test can signal it or limit its file size.
class CliProcess {
public:
    CliProcess(const std::vector<std::string>& args, const std::string& scratch, rlim_t fileSizeLimit = RLIM_INFINITY)
        : scratch_(scratch) {
        const std::string program = ZELVON_BIN_DIR "/zelvon-cli";
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const int out = ::open((scratch + "/.stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int err = ::open((scratch + "/.stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out, 1);
            ::dup2(err, 2);
            if (fileSizeLimit != RLIM_INFINITY) {
                // A write past the limit fails as on a disk that is full
                // instead of killing the program.
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{fileSizeLimit, fileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out);
        ::close(err);
    }
    pid_t pid() const { return pid_; }
    test::ProgramResult finish() {
        test::ProgramResult result;
        int status = 0;
        if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_)
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = test::slurpFile(scratch_ + "/.stdout");
        result.err = test::slurpFile(scratch_ + "/.stderr");
        return result;
    }

private:
    std::string scratch_;
    pid_t pid_ = -1;
};

class FailureCli : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", config_.str().c_str(), 1);
        server_.server().Get(R"(/product/(\w+))", [this](const httplib::Request& request, httplib::Response& response) {
            const std::string id = request.matches[1].str();
            {
                std::lock_guard<std::mutex> lock(mutex_);
                ++requests_[id];
            }
            changed_.notify_all();
            if (id == "missing") {
                response.status = 404;
            } else if (id == "broken") {
                response.status = 500;
            } else if (id == "stall") {
                // Headers, then nothing until the test ends.
                response.set_content_provider(1000, "text/html", [this](size_t, size_t, httplib::DataSink&) {
                    for (int i = 0; i < 1000 && !stopping_; ++i)
                        std::this_thread::sleep_for(10ms);
                    return false;
                });
            } else if (id == "trickle") {
                // 100000 bytes announced, one every quarter second: it never
                // stalls, and would take seven hours.
                response.set_content_provider(100000, "text/html", [this](size_t, size_t, httplib::DataSink& sink) {
                    for (int i = 0; i < 25 && !stopping_; ++i)
                        std::this_thread::sleep_for(10ms);
                    return !stopping_ && sink.write("<", 1);
                });
            } else {
                std::lock_guard<std::mutex> lock(mutex_);
                response.set_content(pages_[id], "text/html");
            }
        });
        server_.start();
        test::stageAppFolder(app_, server_.url("/product/"), server_.url("/product/own"));
        // Short limits keep the scenario quick: the trickle ends at the
        // total limit, the stall at its own.
        EXPECT_EQ(run({"settings", "set-int", "Network", "DownloadTimeLimit", "3"}).exitCode, 0);
        EXPECT_EQ(run({"settings", "set-int", "Network", "StallLimit", "1"}).exitCode, 0);
    }
    void TearDown() override {
        stopping_ = true;
        server_.stop();
    }

    void setPage(const std::string& id, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        pages_[id] = text;
    }
    int requests(const std::string& id) {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_[id];
    }
    bool waitForRequest(const std::string& id) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, 20s, [&] { return requests_[id] > 0; });
    }

    void writeList(const std::vector<Listed>& products) {
        std::string text = "<vertrel version=\"1.0\">\r\n";
        for (size_t i = 0; i < products.size(); ++i)
            text += "    <product productURL=\"" + products[i].url + "\" productID=\"" + std::to_string(i) + "\" productName=\"" +
                    products[i].name + "\" productCompany=\"Orvalis\" productVersion=\"1.0\" productDate=\"\" "
                    "productDescription=\"\" previousVersion=\"1.0\" lastReload=\"01/01/2023 08:00\" isNew=\"0\" "
                    "keepNew=\"0\" groupType=\"0\"/>\r\n";
        text += "</vertrel>\r\n";
        app_.write("cache/productList.txt", text);
    }
    std::vector<std::string> withFolder(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--app-folder", app_.str()});
        return args;
    }
    test::ProgramResult run(const std::vector<std::string>& args) {
        return test::runProgram(ZELVON_BIN_DIR "/zelvon-cli", withFolder(args), scratch_.str());
    }

    test::ScopedProxyEnvironment environment_;
    test::TempDir app_;
    test::TempDir config_;
    test::TempDir scratch_;
    test::LocalHttpServer server_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::string> pages_;
    std::map<std::string, int> requests_;
    std::atomic<bool> stopping_{false};
};

TEST_F(FailureCli, EveryCauseReachesTheTextTheJsonAndTheSummary) {
    const test::TestCertificates& certificates = test::TestCertificates::instance();
    ASSERT_TRUE(certificates.ok()) << certificates.error();
    test::LocalTlsServer selfSigned(certificates.path("self.crt"), certificates.keyFor("self.crt"));
    selfSigned.server().Get("/page", [](const httplib::Request&, httplib::Response& res) { res.set_content("secure", "text/html"); });
    ASSERT_TRUE(selfSigned.start());
    const std::string closed = "127.0.0.1:" + std::to_string(test::unusedLoopbackPort());

    setPage("ok", test::productPage("Alpha", "Orvalis", "2.0"));
    setPage("cut", "<html><body>the store moved everything</body></html>");
    setPage("blank", test::productPage("", "Orvalis", ""));
    const std::string unreadable = "the store page could not be read; the parsing scripts may be out of date "
                                   "(Options > Check for Parsing Scripts)";
    const struct {
        Listed product;
        std::string kind;  // "" for the one success
        std::string cause; // the start of its sentence
    } cases[] = {
        {{"Alpha", server_.url("/product/ok")}, "", ""},
        {{"Bravo", "http://" + closed + "/product/x"}, "connection-refused", "the server refused the connection (" + closed + ")"},
        {{"Charlie", server_.url("/product/missing")}, "http-status", "the server answered 404 Not Found"},
        {{"Delta", server_.url("/product/broken")}, "http-status", "the server answered 500 Internal Server Error"},
        {{"Echo", server_.url("/product/stall")}, "stalled", "no data arrived for 1 second"},
        {{"Foxtrot", server_.url("/product/trickle")}, "timed-out", "the download took longer than 3 seconds"},
        {{"Golf", selfSigned.url("/page")}, "tls-certificate", "the secure connection failed: "},
        {{"Hotel", server_.url("/product/cut")}, "page-unreadable", unreadable},
        {{"India", server_.url("/product/blank")}, "page-unreadable", unreadable},
    };
    std::vector<Listed> list;
    for (const auto& c : cases)
        list.push_back(c.product);

    writeList(list);
    const auto started = std::chrono::steady_clock::now();
    const auto text = run({"check"});
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s) << "the limits bound the whole run";
    EXPECT_EQ(text.exitCode, 1) << text.err;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.product.name);
        if (c.kind.empty()) {
            EXPECT_NE(text.out.find("Download Success... Name: " + c.product.name + "\n"), std::string::npos) << text.out;
            continue;
        }
        // The described line, then the cause right beneath it.
        const std::string failure = "Download Failure... Name: " + c.product.name + " (Cached)\n    Cause: " + c.cause;
        EXPECT_NE(text.out.find(failure), std::string::npos) << text.out;
    }
    // The described texts stay beside the causes.
    EXPECT_NE(text.out.find("    Could not download:  http://" + closed + "/product/x\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("    The product page could not be read: it gave neither a product name nor a version."),
              std::string::npos);
    EXPECT_NE(text.out.find("** New Update Available ** Alpha (version 2.0)\n"), std::string::npos);
    EXPECT_EQ(text.out.find("No new updates."), std::string::npos) << "failures are not \"no news\"";
    const std::string summary = "Checked 9 products: 1 new version, 8 failed.\n";
    ASSERT_GE(text.out.size(), summary.size());
    EXPECT_EQ(text.out.substr(text.out.size() - summary.size()), summary) << text.out;

    writeList(list);
    const auto json = run({"check", "--json"});
    EXPECT_EQ(json.exitCode, 1) << json.err;
    std::istringstream lines(json.out);
    std::map<std::string, nlohmann::json> byName;
    for (std::string line; std::getline(lines, line);) {
        const auto object = nlohmann::json::parse(line, nullptr, false);
        ASSERT_TRUE(object.is_object()) << "not a JSON object: " << line;
        byName[object["name"].get<std::string>()] = object;
    }
    ASSERT_EQ(byName.size(), std::size(cases)) << json.out;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const nlohmann::json& object = byName[c.product.name];
        SCOPED_TRACE(c.product.name);
        EXPECT_EQ(object["index"], i);
        EXPECT_EQ(object["id"], std::to_string(i));
        EXPECT_EQ(object["oldVersion"], "1.0");
        EXPECT_EQ(object["new"], c.kind.empty());
        if (c.kind.empty()) {
            EXPECT_EQ(object["newVersion"], "2.0");
            EXPECT_TRUE(object["error"].is_null());
        } else {
            EXPECT_TRUE(object["newVersion"].is_null());
            EXPECT_EQ(object["error"]["kind"], c.kind);
            EXPECT_EQ(object["error"]["text"].get<std::string>().substr(0, c.cause.size()), c.cause);
        }
    }
    EXPECT_NE(json.err.find("Checked 9 products: 1 new version, 8 failed."), std::string::npos) << json.err;

    // A product named twice is checked once; nothing failed, nothing new.
    setPage("ok", test::productPage("Alpha", "Orvalis", "1.0"));
    writeList(list);
    const int before = requests("ok");
    const auto twice = run({"check", "0", "0"});
    EXPECT_EQ(twice.exitCode, 0) << twice.err;
    EXPECT_EQ(requests("ok"), before + 1);
    EXPECT_NE(twice.out.find("\nNo new updates.\nChecked 1 product: 0 new versions, 0 failed.\n"), std::string::npos) << twice.out;
}

TEST_F(FailureCli, OneSignalEndsATricklingRunWithinTheTimeLimit) {
    writeList({{"Trickle", server_.url("/product/trickle")}, {"Waiting", server_.url("/product/ok")}});
    setPage("ok", test::productPage("Waiting", "Orvalis", "1.0"));
    CliProcess cli(withFolder({"check", "--jobs", "1"}), scratch_.str());
    ASSERT_TRUE(waitForRequest("trickle"));
    const auto signalled = std::chrono::steady_clock::now();
    ::kill(cli.pid(), SIGINT);
    const auto result = cli.finish();
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, 5s);
    EXPECT_EQ(result.exitCode, 130) << result.out << result.err;
    EXPECT_NE(result.out.find("Download Failure... Name: Trickle (Cached)\n    Cause: the download took longer than 3 seconds.\n"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(requests("ok"), 0) << "nothing new starts after the signal";

    // fetch obeys the same limit.
    const auto fetchStarted = std::chrono::steady_clock::now();
    const auto fetched = run({"fetch", server_.url("/product/trickle"), scratch_.file("page.htm")});
    EXPECT_LT(std::chrono::steady_clock::now() - fetchStarted, 6s);
    EXPECT_EQ(fetched.exitCode, 1);
    EXPECT_NE(fetched.err.find("Cause: the download took longer than 3 seconds.\n"), std::string::npos) << fetched.err;
}

TEST_F(FailureCli, AFullDiskIsNamedAsTheCauseNotTheDownload) {
    // Pages far larger than the file-size limit below: the download works,
    // storing it does not.
    const std::string padding(20000, ' ');
    setPage("big", test::productPage("Big", "Orvalis", "2.0") + "<!--" + padding + "-->");
    writeList({{"Big", server_.url("/product/big")}});
    const std::string listBefore = app_.read("cache/productList.txt");
    std::string catalogue = app_.read("scripts/scripts.txt");
    const std::string whatsNew = "<whatsNew url=\"http://127.0.0.1:1/new\" nrt=\"new.nrt\"/>";
    ASSERT_NE(catalogue.find(whatsNew), std::string::npos);
    catalogue.replace(catalogue.find(whatsNew), whatsNew.size(),
                      "<whatsNew url=\"" + server_.url("/product/big") + "\" nrt=\"detail.nrt\"/>");
    app_.write("scripts/scripts.txt", catalogue);

    const std::string cause = "Cause: the file could not be written: File too large.\n";
    const struct {
        std::vector<std::string> args;
        std::string described;
    } cases[] = {
        {{"check"}, "Download Failure... Name: Big (Cached)\n    " + cause},
        {{"reload-lists", "whatsnew"}, "Failed to Get What's New List: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        CliProcess cli(withFolder(c.args), scratch_.str(), 8000);
        const auto result = cli.finish();
        EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
        EXPECT_NE(result.out.find(c.described), std::string::npos) << result.out;
        EXPECT_NE(result.out.find(cause), std::string::npos) << result.out;
        EXPECT_EQ(result.out.find("the server"), std::string::npos) << result.out;
        EXPECT_EQ(app_.read("cache/productList.txt"), listBefore);
    }
}

} // namespace
} // namespace zelvon
