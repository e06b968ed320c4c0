// check --notify against a private session bus with a notification service
// of the test's own (notification_recorder), and without any bus.

#include "demo_store.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "watch/shipped_app_data.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

namespace zelvon {
namespace {

using test::TempDir;

class NotifyCli : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", config_.str().c_str(), 1);
        ASSERT_TRUE(store_.start());
        test::stageShippedAppFolder(app_, store_.baseUrl());

        // A private bus: the daemon forks, prints its address and its pid.
        const auto bus = test::runProgram("/usr/bin/dbus-daemon",
                                          {"--session", "--fork", "--print-address=1", "--print-pid=1"}, scratch_.str());
        ASSERT_EQ(bus.exitCode, 0) << bus.err;
        std::istringstream lines(bus.out);
        std::getline(lines, busAddress_);
        lines >> busPid_;
        ASSERT_FALSE(busAddress_.empty());
        ASSERT_GT(busPid_, 0);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", busAddress_.c_str(), 1);

        const std::string recorder = ZELVON_TEST_BIN_DIR "/notification_recorder";
        const std::string record = scratch_.file("notifications.txt");
        char* argv[] = {const_cast<char*>(recorder.c_str()), const_cast<char*>(record.c_str()), nullptr};
        ASSERT_EQ(posix_spawn(&recorderPid_, recorder.c_str(), nullptr, nullptr, argv, environ), 0);
        // It creates the record once it owns the service's name.
        for (int i = 0; i < 200 && !std::filesystem::exists(record); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        ASSERT_TRUE(std::filesystem::exists(record)) << "the notification service did not start";
    }
    void TearDown() override {
        if (recorderPid_ > 0) {
            ::kill(recorderPid_, SIGTERM);
            ::waitpid(recorderPid_, nullptr, 0);
        }
        if (busPid_ > 0)
            ::kill(busPid_, SIGTERM);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    test::ProgramResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--app-folder", app_.str()});
        return test::runProgram(ZELVON_BIN_DIR "/zelvon-cli", args, scratch_.str());
    }
    std::string notifications() const { return scratch_.read("notifications.txt"); }

    demo::DemoStore store_{demo::StoreOptions{0, 0, "", false}};
    TempDir app_;
    TempDir config_;
    TempDir scratch_;
    std::string busAddress_;
    pid_t busPid_ = 0;
    pid_t recorderPid_ = 0;
};

TEST_F(NotifyCli, OneNotificationNamesTheProductsACheckMarkedNew) {
    for (const char* id : {"10412", "10533", "10561"})
        ASSERT_EQ(run({"add", "--id", id}).exitCode, 0) << id;

    const struct {
        const char* name;
        std::vector<const char*> publish; // product ids with a new version before the run
        const char* bus;                  // DBUS_SESSION_BUS_ADDRESS for the run (nullptr: the private bus)
        std::string expected;             // what the service has recorded after the run
        const char* stderrHas;            // empty: standard error stays empty
    } runs[] = {
        {"nothing new: no notification", {}, nullptr, "", ""},
        {"two new versions: one notification naming both",
         {"10412", "10561"}, nullptr, "Zelvon: new versions\tCr\u00e8me Notes, Ma\u00f1ana Tasks\n", ""},
        {"still marked, nothing newly found: no notification", {}, nullptr,
         "Zelvon: new versions\tCr\u00e8me Notes, Ma\u00f1ana Tasks\n", ""},
        {"no session bus: the check succeeds and says why", {"10533"}, "unix:path=/nonexistent/bus",
         "Zelvon: new versions\tCr\u00e8me Notes, Ma\u00f1ana Tasks\n", "no desktop notification (no session bus"},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.name);
        for (const char* id : r.publish)
            ASSERT_EQ(store_.catalogue().publish(id, "", "06/01/2006"), demo::StoreCatalogue::PublishResult::Published);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", r.bus ? r.bus : busAddress_.c_str(), 1);
        const auto result = run({"check", "--notify"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(notifications(), r.expected);
        if (*r.stderrHas == '\0')
            EXPECT_EQ(result.err, "");
        else
            EXPECT_NE(result.err.find(r.stderrHas), std::string::npos) << result.err;
    }

    // A bus without the service: the check still succeeds and says so.
    ::kill(recorderPid_, SIGTERM);
    ::waitpid(recorderPid_, nullptr, 0);
    recorderPid_ = 0;
    ::setenv("DBUS_SESSION_BUS_ADDRESS", busAddress_.c_str(), 1);
    ASSERT_EQ(run({"ack", "--all"}).exitCode, 0);
    ASSERT_EQ(store_.catalogue().publish("10412", "", "06/01/2006"), demo::StoreCatalogue::PublishResult::Published);
    const auto noService = run({"check", "--notify"});
    EXPECT_EQ(noService.exitCode, 0) << noService.err;
    EXPECT_NE(noService.err.find("the notification service did not take it"), std::string::npos) << noService.err;
    // Without --notify nothing is sent or said.
    ASSERT_EQ(store_.catalogue().publish("10533", "", "06/01/2006"), demo::StoreCatalogue::PublishResult::Published);
    EXPECT_EQ(run({"check"}).err, "");
}

} // namespace
} // namespace zelvon
