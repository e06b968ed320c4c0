#pragma once
// The command-line front end's dispatcher. Each command lives in its own
// file and registers itself with a static CommandRegistration: its name, a
// line of description, and a function that declares its options and
// arguments (CLI11) bound to variables the command reads when it runs. The
// usage line, --help, the argument errors (exit 64), the manual page and the
// shell completion all come from these declarations.

#include "app/settings_store.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

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
    SettingsStore& settings;
    std::ostream& out;
    std::ostream& err;
};

// Runs with the declared variables filled in. A command that finds its
// arguments wrong only once it runs (an index not in the list) returns
// kExitUsage, and the usage line follows its message.
using CommandFunction = int (*)(Context&);
using DeclareFunction = void (*)(CLI::App&);

struct CommandRegistration {
    CommandRegistration(const char* name, const char* description, DeclareFunction declare, CommandFunction function);
};

} // namespace zelvon::cli
