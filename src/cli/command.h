#pragma once
// The command-line front end's dispatcher. Each command lives in its own
// file and registers itself with a static CommandRegistration.

#include "app/settings_store.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace zelvon::cli {

// Exit codes, the same for every command (listed in the README).
inline constexpr int kExitFailed = 1;    // a download or a save failed
inline constexpr int kExitCatalogue = 2; // the script catalogue cannot be loaded
inline constexpr int kExitChoice = 3;    // a choice is needed (several matches, no --pick)
inline constexpr int kExitUsage = 64;
// Another Zelvon process holds the application folder: sysexits'
// EX_TEMPFAIL, the same command may succeed later.
inline constexpr int kExitBusy = 75;

struct Context {
    std::u16string appFolder;
    std::vector<std::string> args; // the words after the command name
    SettingsStore& settings;
    std::ostream& out;
    std::ostream& err;
};

using CommandFunction = int (*)(Context&);

struct CommandRegistration {
    // `usage` is the argument synopsis printed after "zelvon-cli NAME" when
    // the command returns kExitUsage; `description` is its one line in the
    // command list of --help.
    CommandRegistration(const char* name, const char* usage, CommandFunction function, const char* description = "");
};

} // namespace zelvon::cli
