#pragma once
// The command-line front end's dispatcher. Each command lives in its own
// file and registers itself with a static CommandRegistration.

#include "app/settings_store.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace zelvon::cli {

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
    // the command returns kExitUsage.
    CommandRegistration(const char* name, const char* usage, CommandFunction function);
};

} // namespace zelvon::cli
