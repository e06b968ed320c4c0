// `extract`, `scramble` and `unscramble`: what a script author needs to write
// and debug extraction scripts against saved and live pages, and to store
// finished scripts the way the program reads them.

#include "cli/app_folder_guard.h"
#include "cli/command.h"
#include "cli/terminal_flow_ui.h"
#include "watch/app_folder_lock.h"
#include "watch/app_paths.h"
#include "engine/extraction_runner.h"
#include "engine/scrambled_file.h"
#include "foundation/file_io.h"
#include "foundation/text_codec.h"
#include "watch/proxy_settings.h"

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

std::optional<ExtractOptions> parseExtractOptions(const std::vector<std::string>& args) {
    ExtractOptions options;
    bool haveScript = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--cache") {
            options.useCache = true;
        } else if (word == "--url" && i + 1 < args.size()) {
            options.url = args[++i];
        } else if (word == "--form" && i + 1 < args.size()) {
            const std::string& form = args[++i];
            if (form != "kelpo" && form != "tilde")
                return std::nullopt;
            options.tilde = form == "tilde";
        } else if (word.rfind("--", 0) == 0 || haveScript) {
            return std::nullopt;
        } else {
            options.script = word;
            haveScript = true;
        }
    }
    if (!haveScript)
        return std::nullopt;
    return options;
}

int extractCommand(Context& context) {
    const std::optional<ExtractOptions> options = parseExtractOptions(context.args);
    if (!options)
        return kExitUsage;

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

int scrambleCommand(Context& context) {
    if (context.args.empty() || context.args.size() > 2)
        return kExitUsage;
    const std::u16string source = fromUtf8(context.args[0]);
    const std::u16string destination = context.args.size() == 2 ? fromUtf8(context.args[1]) : std::u16string();
    // Scrambling twice leaves a file the engine deciphers only once, so the
    // script would read as garbage.
    std::string bytes;
    if (readFileBytes(source, bytes) && ScrambledFile::isScrambled(bytes)) {
        context.err << "zelvon-cli: " << context.args[0] << " is already scrambled; nothing was changed\n";
        return 1;
    }
    if (!ScrambledFile::scramble(source, destination)) {
        context.err << "zelvon-cli: could not scramble " << context.args[0];
        if (context.args.size() == 2)
            context.err << " into " << context.args[1];
        context.err << "; nothing was changed\n";
        return 1;
    }
    return 0;
}

int unscrambleCommand(Context& context) {
    if (context.args.size() != 1)
        return kExitUsage;
    std::string content;
    if (!ScrambledFile::read(fromUtf8(context.args[0]), content)) {
        context.err << "zelvon-cli: cannot read " << context.args[0] << '\n';
        return 1;
    }
    context.out.write(content.data(), static_cast<std::streamsize>(content.size()));
    context.out.flush();
    return 0;
}

CommandRegistration extractRegistration("extract", "[--cache] [--url URL] [--form kelpo|tilde] SCRIPT", &extractCommand,
                                        "run an extraction script on a live or saved page and print its entries");
CommandRegistration scrambleRegistration("scramble", "SOURCE [DEST]", &scrambleCommand,
                                         "scramble a plain script file the way the program reads it");
CommandRegistration unscrambleRegistration("unscramble", "FILE", &unscrambleCommand,
                                           "print a script file's plain text, deciphered when scrambled");

} // namespace
} // namespace zelvon::cli
