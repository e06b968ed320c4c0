// `transform SCRIPT OUTPUT [URL]`: one transformer run, as the window's
// flows do it, for script authors who want to see what a script produces.

#include "cli/app_folder_guard.h"
#include "cli/command.h"
#include "cli/terminal_flow_ui.h"
#include "watch/app_folder_lock.h"
#include "watch/app_paths.h"
#include "engine/transformer.h"
#include "foundation/text_codec.h"
#include "watch/proxy_settings.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace zelvon::cli {
namespace {

struct {
    std::string script;
    std::string output;
    std::string url;
} transformArgs;

void declareTransform(CLI::App& command) {
    command.add_option("SCRIPT", transformArgs.script, "the transformer script")->required();
    command.add_option("OUTPUT", transformArgs.output, "the output file")->required();
    command.add_option("URL", transformArgs.url, "the page (default: the script's own)");
}

int transformCommand(Context& context) {
    const std::u16string scriptPath = fromUtf8(transformArgs.script);
    const std::u16string outputPath = fromUtf8(transformArgs.output);
    const std::u16string pageUrl = fromUtf8(transformArgs.url);

    // The run downloads through the folder's shared work file.
    AppFolderLock lock;
    if (const int locked = lockAppFolder(context, lock))
        return locked;

    const ProxySettings proxy = ProxySettings::fromSettings(context.settings);
    Transformer transformer(context.appFolder);
    configureDownload(transformer, proxy, workspaceFilePath(context.appFolder));
    if (!transformer.run(scriptPath, outputPath, pageUrl)) {
        context.err << toUtf8(transformer.errorText());
        // The engine's messages say what went wrong in a script; a download
        // or a write also gets its cause.
        if (isRequestFailure(transformer.failure())) {
            const bool lineOpen = !transformer.errorText().empty() && transformer.errorText().back() != u'\n';
            context.err << (lineOpen ? "\n" : "") << causeLine(transformer.failure()) << '\n';
        }
        context.err.flush();
        return 1;
    }
    return 0;
}

CommandRegistration reg("transform", "run a transformer script and write its output file", &declareTransform,
                        &transformCommand);

} // namespace
} // namespace zelvon::cli
