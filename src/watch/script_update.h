#pragma once
// The parsing-script update: fetch the maker's description file and, when it
// announces a newer script set than the installed one, download every file
// it lists into the application folder. The new scripts take effect at the
// next start, when the catalogue is read again.

#include <string_view>

namespace zelvon {

struct FlowContext;

inline constexpr std::u16string_view kScriptUpdateQuestion =
    u"This should only be done when you are getting parsing errors while trying to check for Product Updates.\n\n"
    u"Do you want to check for a new set of Parsing Scripts?";

enum class ScriptUpdateOutcome { Declined, Installed, NoNewScripts, Failed };

// Asks the Confirm question; on Yes runs the update.
ScriptUpdateOutcome checkForParsingScripts(const FlowContext& context);

// The update itself, after the question: the caller has already made sure
// no other download of the folder runs (the window holds its busy flag).
ScriptUpdateOutcome runScriptUpdate(const FlowContext& context);

} // namespace zelvon
