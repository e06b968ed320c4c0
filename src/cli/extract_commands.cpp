// `extract`, `scramble` and `unscramble`: what a script author needs to write
// and debug extraction scripts against saved and live pages, and to store
// finished scripts the way the program reads them.

#include "cli/app_folder_guard.h"
#include "cli/command.h"
#include "cli/terminal_flow_ui.h"
#include "cli/word_choice.h"
#include "watch/app_folder_lock.h"
#include "watch/app_paths.h"
#include "engine/extraction_runner.h"
#include "engine/scrambled_file.h"
#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "watch/proxy_settings.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <ostream>

namespace zelvon::cli {
namespace {

struct ExtractOptions {
    bool useCache = false;
    std::optional<std::string> url;
    bool tilde = false;
    std::string script;
};

ExtractOptions extractArgs;
std::string extractForm = "kelpo";
std::string extractUrl;
const CLI::Option* extractUrlOption = nullptr;

void declareExtract(CLI::App& command) {
    command.add_flag("--cache", extractArgs.useCache, "read the saved page instead of downloading it");
    extractUrlOption =
        command.add_option("--url", extractUrl, "the page to read instead of the script's own")->type_name("URL");
    oneWordOf(command.add_option("--form", extractForm, "the output form (default kelpo)"), {"kelpo", "tilde"});
    command.add_option("SCRIPT", extractArgs.script, "the extraction script")->required();
}

int extractCommand(Context& context) {
    extractArgs.tilde = extractForm == "tilde";
    if (extractUrlOption->count() > 0)
        extractArgs.url = extractUrl;
    const ExtractOptions* options = &extractArgs;

    // A download goes through the folder's shared work file.
    AppFolderLock lock;
    if (!options->useCache) {
        if (const int locked = lockAppFolder(context, lock))
            return locked;
    }

    const ProxySettings proxy = ProxySettings::fromSettings(context.settings);
    ExtractionRunner runner(context.appFolder);
    configureDownload(runner, proxy, workspaceFilePath(context.appFolder));

    const std::u16string scriptPath = fromUtf8(options->script);
    const bool ran = options->url ? runner.runScriptFileWithUrl(scriptPath, options->useCache, fromUtf8(*options->url))
                                  : runner.runScriptFile(scriptPath, options->useCache);
    if (!ran) {
        // The runner's own messages, exactly as the program would show them.
        context.err << toUtf8(runner.errorText());
        // The engine's messages say what went wrong in a script; a download
        // or a write also gets its cause.
        if (isRequestFailure(runner.failure())) {
            const bool lineOpen = !runner.errorText().empty() && runner.errorText().back() != u'\n';
            context.err << (lineOpen ? "\n" : "") << causeLine(runner.failure()) << '\n';
        }
        context.err.flush();
        return 1;
    }
    context.out << toUtf8(options->tilde ? runner.tildeText() : runner.kelpoText());
    context.out.flush();
    return 0;
}

struct {
    std::string source;
    std::string destination;
} scrambleArgs;

void declareScramble(CLI::App& command) {
    command.add_option("SOURCE", scrambleArgs.source, "the plain script")->required();
    command.add_option("DEST", scrambleArgs.destination, "where the scrambled file goes (default: SOURCE itself)");
}

int scrambleCommand(Context& context) {
    const std::u16string source = fromUtf8(scrambleArgs.source);
    const std::u16string destination = fromUtf8(scrambleArgs.destination);
    // Scrambling twice leaves a file the engine deciphers only once, so the
    // script would read as garbage.
    std::string bytes;
    if (readFileBytes(source, bytes) && ScrambledFile::isScrambled(bytes)) {
        context.err << "zelvon-cli: " << scrambleArgs.source << " is already scrambled; nothing was changed\n";
        return 1;
    }
    if (!ScrambledFile::scramble(source, destination)) {
        context.err << "zelvon-cli: could not scramble " << scrambleArgs.source;
        if (!scrambleArgs.destination.empty())
            context.err << " into " << scrambleArgs.destination;
        context.err << "; nothing was changed\n";
        return 1;
    }
    return 0;
}

std::string unscrambleFile;

void declareUnscramble(CLI::App& command) {
    command.add_option("FILE", unscrambleFile, "a script file, scrambled or plain")->required();
}

int unscrambleCommand(Context& context) {
    std::string content;
    if (!ScrambledFile::read(fromUtf8(unscrambleFile), content)) {
        context.err << "zelvon-cli: cannot read " << unscrambleFile << '\n';
        return 1;
    }
    context.out.write(content.data(), static_cast<std::streamsize>(content.size()));
    context.out.flush();
    return 0;
}

CommandRegistration extractRegistration("extract",
                                        "run an extraction script on a live or saved page and print its entries",
                                        &declareExtract, &extractCommand);
CommandRegistration scrambleRegistration("scramble", "scramble a plain script file the way the program reads it",
                                         &declareScramble, &scrambleCommand);
CommandRegistration unscrambleRegistration("unscramble", "print a script file's plain text, deciphered when scrambled",
                                           &declareUnscramble, &unscrambleCommand);

} // namespace
} // namespace zelvon::cli
