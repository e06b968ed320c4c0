// `zelvon-cli update-scripts [--yes]`: the parsing-script update. It asks
// its question on a terminal; from cron or a script, --yes answers it, and
// without either nothing is changed.

#include "cli/app_folder_guard.h"
#include "cli/command.h"
#include "cli/terminal_flow_ui.h"
#include "foundation/text_codec.h"
#include "watch/app_folder_lock.h"
#include "watch/clock.h"
#include "watch/flow_context.h"
#include "watch/script_catalogue.h"
#include "watch/script_update.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace zelvon::cli {
namespace {

bool assumeYes = false;

void declareUpdateScripts(CLI::App& command) {
    command.add_flag("--yes", assumeYes, "do not ask (needed without a terminal)");
}

int updateScriptsCommand(Context& context) {
    const bool interactive = TerminalFlowUi::stdinIsTerminal();
    if (!assumeYes && !interactive) {
        // Nobody can answer: show what would have been asked and leave
        // everything as it is.
        context.out << "Confirm: " << toUtf8(kScriptUpdateQuestion) << '\n';
        context.err << "zelvon-cli: no terminal to answer on; run update-scripts --yes to check. Nothing was changed.\n";
        return kExitFailed;
    }

    AppFolderLock lock;
    if (const int locked = lockAppFolder(context, lock))
        return locked;

    TerminalFlowUi ui(std::cin, context.out, context.err, interactive);
    // The update needs no catalogue: it is the way to repair a damaged one.
    const ScriptCatalogue noCatalogue;
    const SystemClock clock;
    const FlowContext flow{context.appFolder, noCatalogue, ProxySettings::fromSettings(context.settings),
                           clock, context.settings, ui};
    const ScriptUpdateOutcome outcome = assumeYes ? runScriptUpdate(flow) : checkForParsingScripts(flow);
    switch (outcome) {
    case ScriptUpdateOutcome::Installed:
    case ScriptUpdateOutcome::NoNewScripts:
        return 0;
    case ScriptUpdateOutcome::Declined:
        context.err << "zelvon-cli: nothing was changed.\n";
        return kExitFailed;
    case ScriptUpdateOutcome::Failed:
        break;
    }
    return kExitFailed;
}

CommandRegistration registration("update-scripts", "download a new set of parsing scripts when the maker offers one",
                                 &declareUpdateScripts, &updateScriptsCommand);

} // namespace
} // namespace zelvon::cli
