#include "cli/command.h"

#include "app/app_folder_seed.h"
#include "app/settings_store.h"
#include "foundation/text_codec.h"
#include "net/http_fetcher.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

// Set by the build from the project's version.
#ifndef ZELVON_VERSION
#define ZELVON_VERSION "unknown"
#endif

namespace zelvon::cli {
namespace {

struct Command {
    std::string name;
    std::string description;
    DeclareFunction declare;
    CommandFunction function;
};

std::vector<Command>& commands() {
    static std::vector<Command> table;
    return table;
}

constexpr const char* kSynopsis = "usage: zelvon-cli [--app-folder DIR] COMMAND ARGS...\n";

std::vector<const CLI::Option*> declaredOptions(const CLI::App& command) {
    std::vector<const CLI::Option*> options;
    for (const CLI::Option* option : command.get_options())
        if (option != command.get_help_ptr())
            options.push_back(option);
    return options;
}

// "--jobs N", "INDEX...", "--reload-all": one declared option as written.
std::string optionWord(const CLI::Option& option) {
    std::string word = option.get_name();
    if (option.get_positional()) {
        if (option.get_items_expected_max() > 1)
            word += "...";
    } else if (const std::string value = option.get_type_name(); !value.empty()) {
        word += ' ' + value; // a flag has none
    }
    return word;
}

// The words after the command's name, from its declarations.
std::string synopsis(const CLI::App& command) {
    std::string text;
    for (const CLI::Option* option : declaredOptions(command)) {
        if (!text.empty())
            text += ' ';
        text += option->get_required() ? optionWord(*option) : '[' + optionWord(*option) + ']';
    }
    return text;
}

std::string usageLine(const CLI::App& command) {
    return "usage: zelvon-cli [--app-folder DIR] " + command.get_name() + ' ' + synopsis(command) + '\n';
}

void printCommandHelp(std::ostream& out, const CLI::App& command) {
    out << usageLine(command);
    if (!command.get_description().empty())
        out << "  " << command.get_description() << '\n';
    constexpr size_t kColumn = 22;
    for (const CLI::Option* option : declaredOptions(command)) {
        if (option->get_description().empty())
            continue;
        const std::string word = optionWord(*option);
        out << "    " << std::left << std::setw(kColumn) << word;
        // A long option gets a line of its own.
        if (word.size() >= kColumn)
            out << '\n' << std::string(4 + kColumn, ' ');
        out << ' ' << option->get_description() << '\n';
    }
}

void printHelp(std::ostream& out, const CLI::App& app) {
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
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
        out << "  " << command->get_name() << ' ' << synopsis(*command) << '\n';
        if (!command->get_description().empty())
            out << "      " << command->get_description() << '\n';
    }
    out << "\n"
           "exit codes: 0 success, "
        << kExitFailed << " a download or save failed, " << kExitCatalogue << " the catalogue cannot be loaded, "
        << kExitChoice << " a choice is needed,\n            " << kExitUsage << " wrong arguments, " << kExitBusy
        << " another Zelvon process is using the application folder\n";
}

// The short form, for standard error after a wrong argument.
void printUsage(std::ostream& err, const CLI::App& app) {
    if (const auto chosen = app.get_subcommands(); !chosen.empty()) {
        err << usageLine(*chosen.front());
        return;
    }
    err << kSynopsis << "commands:\n";
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; }))
        err << "  " << command->get_name() << ' ' << synopsis(*command) << '\n';
    err << "zelvon-cli --help describes each command\n";
}

int run(int argc, char** argv) {
    CLI::App app("", "zelvon-cli");
    std::string appFolderOption;
    app.add_option("--app-folder", appFolderOption, "the application folder")->type_name("DIR");
    app.set_version_flag("--version", std::string("zelvon-cli ") + ZELVON_VERSION);
    app.require_subcommand(1, 1);
    auto& table = commands();
    std::sort(table.begin(), table.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
    for (const Command& command : table)
        command.declare(*app.add_subcommand(command.name, command.description));

    // Help and wrong arguments are answered before anything is opened or
    // locked, so they never wait on a busy folder.
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        if (const auto chosen = app.get_subcommands(); !chosen.empty())
            printCommandHelp(std::cout, *chosen.front());
        else
            printHelp(std::cout, app);
        return 0;
    } catch (const CLI::CallForVersion& version) {
        std::cout << version.what() << '\n';
        return 0;
    } catch (const CLI::ParseError& error) {
        std::cerr << "zelvon-cli: " << error.what() << '\n';
        printUsage(std::cerr, app);
        return kExitUsage;
    }
    const CLI::App& chosen = *app.get_subcommands().front();
    const auto found = std::find_if(table.begin(), table.end(),
                                    [&](const Command& command) { return command.name == chosen.get_name(); });

    SettingsStore settings;
    settings.bind(u"Tervane", u"Zelvon");
    HttpFetcher::globalInit();
    HttpFetcher::platformCheck();

    PreparedAppFolder folder = prepareAppFolder(
        appFolderOption.empty() ? std::nullopt : std::optional<std::string>(appFolderOption), argv[0], settings);
    if (!folder.errorText.empty()) {
        std::cerr << "zelvon-cli: " << toUtf8(folder.errorText) << '\n';
        return kExitFailed;
    }
    Context context{std::move(folder.folder), settings, std::cout, std::cerr};
    const int code = found->function(context);
    if (code == kExitUsage)
        std::cerr << usageLine(chosen);
    return code;
}

} // namespace

CommandRegistration::CommandRegistration(const char* name, const char* description, DeclareFunction declare,
                                         CommandFunction function) {
    commands().push_back(Command{name, description, declare, function});
}

} // namespace zelvon::cli

int main(int argc, char** argv) { return zelvon::cli::run(argc, argv); }
