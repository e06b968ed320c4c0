#include "cli/command.h"

#include "app/app_folder.h"
#include "app/settings_store.h"
#include "net/http_fetcher.h"

#include <cstring>
#include <iostream>
#include <map>
#include <optional>

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

void printUsage(std::ostream& err) {
    err << "usage: zelvon-cli [--app-folder DIR] COMMAND ARGS...\ncommands:\n";
    for (const auto& [name, command] : commands())
        err << "  " << name << ' ' << command.usage << '\n';
}

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
    while (next < argc && std::strncmp(argv[next], "--", 2) == 0) {
        const std::string option = argv[next];
        if (option == "--app-folder" && next + 1 < argc) {
            appFolderOption = argv[next + 1];
            next += 2;
        } else if (option.rfind("--app-folder=", 0) == 0) {
            appFolderOption = option.substr(std::strlen("--app-folder="));
            next += 1;
        } else {
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

    SettingsStore settings;
    settings.bind(u"Tervane", u"Zelvon");
    HttpFetcher::globalInit();
    HttpFetcher::platformCheck();

    cli::Context context{resolveAppFolder(appFolderOption, argv[0]), {}, settings, std::cout, std::cerr};
    for (int i = next + 1; i < argc; ++i)
        context.args.emplace_back(argv[i]);
    const int code = found->second.function(context);
    if (code == cli::kExitUsage)
        std::cerr << "usage: zelvon-cli [--app-folder DIR] " << found->first << ' ' << found->second.usage << '\n';
    return code;
}
