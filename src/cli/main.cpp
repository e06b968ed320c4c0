#include "cli/command.h"

#include "app/app_folder_seed.h"
#include "app/settings_store.h"
#include "foundation/text_codec.h"
#include "net/http_fetcher.h"

#include <cstring>
#include <iostream>
#include <map>
#include <optional>

// Set by the build from the project's version.
#ifndef ZELVON_VERSION
#define ZELVON_VERSION "unknown"
#endif

namespace zelvon::cli {
namespace {

struct Command {
    const char* usage;
    CommandFunction function;
    const char* description;
};

std::map<std::string, Command>& commands() {
    static std::map<std::string, Command> table;
    return table;
}

constexpr const char* kSynopsis = "usage: zelvon-cli [--app-folder DIR] COMMAND ARGS...\n";

// The short form, for standard error after a wrong argument.
void printUsage(std::ostream& err) {
    err << kSynopsis << "commands:\n";
    for (const auto& [name, command] : commands())
        err << "  " << name << ' ' << command.usage << '\n';
    err << "zelvon-cli --help describes each command\n";
}

void printCommandHelp(std::ostream& out, const std::string& name, const Command& command) {
    out << "usage: zelvon-cli [--app-folder DIR] " << name << ' ' << command.usage << '\n';
    if (*command.description != '\0')
        out << "  " << command.description << '\n';
}

void printHelp(std::ostream& out) {
    out << kSynopsis
        << "       zelvon-cli COMMAND --help\n"
           "       zelvon-cli --help | --version\n"
           "\n"
           "--app-folder DIR (or ZELVON_APP_FOLDER) names the application folder;\n"
           "by default it is the folder of the program file; an installed program\n"
           "(one with ../share/zelvon beside its folder) uses $XDG_DATA_HOME/Tervane/Zelvon\n"
           "(~/.local/share/Tervane/Zelvon), filled from the shipped data on first use.\n"
           "\n"
           "commands:\n";
    for (const auto& [name, command] : commands()) {
        out << "  " << name << ' ' << command.usage << '\n';
        if (*command.description != '\0')
            out << "      " << command.description << '\n';
    }
    out << "\n"
           "exit codes: 0 success, "
        << kExitFailed << " a download or save failed, " << kExitCatalogue << " the catalogue cannot be loaded, "
        << kExitChoice << " a choice is needed,\n            " << kExitUsage << " wrong arguments, " << kExitBusy
        << " another Zelvon process is using the application folder\n";
}

bool isHelpWord(const std::string& word) { return word == "--help" || word == "-h"; }

} // namespace

CommandRegistration::CommandRegistration(const char* name, const char* usage, CommandFunction function,
                                         const char* description) {
    commands()[name] = Command{usage, function, description};
}

} // namespace zelvon::cli

int main(int argc, char** argv) {
    using namespace zelvon;
    std::optional<std::string> appFolderOption;
    int next = 1;
    while (next < argc && std::strncmp(argv[next], "-", 1) == 0) {
        const std::string option = argv[next];
        if (cli::isHelpWord(option)) {
            cli::printHelp(std::cout);
            return 0;
        }
        if (option == "--version") {
            std::cout << "zelvon-cli " << ZELVON_VERSION << '\n';
            return 0;
        }
        if (option == "--app-folder" && next + 1 < argc) {
            appFolderOption = argv[next + 1];
            next += 2;
        } else if (option.rfind("--app-folder=", 0) == 0) {
            appFolderOption = option.substr(std::strlen("--app-folder="));
            next += 1;
        } else {
            std::cerr << "zelvon-cli: unknown option '" << option << "'\n";
            cli::printUsage(std::cerr);
            return cli::kExitUsage;
        }
    }
    if (next >= argc) {
        cli::printUsage(std::cerr);
        return cli::kExitUsage;
    }
    const auto found = cli::commands().find(argv[next]);
    if (found == cli::commands().end()) {
        std::cerr << "zelvon-cli: unknown command '" << argv[next] << "'\n";
        cli::printUsage(std::cerr);
        return cli::kExitUsage;
    }
    // Asked before anything is opened or locked, so help never waits on a
    // busy folder.
    if (next + 1 < argc && cli::isHelpWord(argv[next + 1])) {
        cli::printCommandHelp(std::cout, found->first, found->second);
        return 0;
    }

    SettingsStore settings;
    settings.bind(u"Tervane", u"Zelvon");
    HttpFetcher::globalInit();
    HttpFetcher::platformCheck();

    PreparedAppFolder folder = prepareAppFolder(appFolderOption, argv[0], settings);
    if (!folder.errorText.empty()) {
        std::cerr << "zelvon-cli: " << toUtf8(folder.errorText) << '\n';
        return cli::kExitFailed;
    }
    cli::Context context{std::move(folder.folder), {}, settings, std::cout, std::cerr};
    for (int i = next + 1; i < argc; ++i)
        context.args.emplace_back(argv[i]);
    const int code = found->second.function(context);
    if (code == cli::kExitUsage)
        std::cerr << "usage: zelvon-cli [--app-folder DIR] " << found->first << ' ' << found->second.usage << '\n';
    return code;
}
