#pragma once
// The watch library's flows on a terminal: messages and pane texts become
// lines of plain text, questions and the Select Item choice are asked on
// standard input only when it is a terminal (otherwise they are answered
// No / Cancel, so cron and scripts never hang on a prompt).

#include "watch/flow_ui.h"

#include <iosfwd>
#include <string>

namespace zelvon::cli {

// "<b>Checking</b> for New Scripts...<br>" as "Checking for New Scripts...":
// tags dropped, <br> as a line break, the common entities decoded.
std::string paneTextAsPlainText(std::u16string_view html);

// "Cause: the server answered 404 Not Found." for the line after a failure.
std::string causeLine(const Failure& failure);

class TerminalFlowUi final : public FlowUi {
public:
    // `interactive` false never asks; true reads answers from `in`.
    TerminalFlowUi(std::istream& in, std::ostream& out, std::ostream& err, bool interactive);

    // True when standard input is a terminal.
    static bool stdinIsTerminal();

    void showMessage(std::u16string_view text, std::u16string_view caption) override;
    // The message, then its cause on the next line.
    void showFailureMessage(std::u16string_view text, std::u16string_view caption, const Failure& failure) override;
    bool askYesNo(std::u16string_view text, std::u16string_view caption) override;
    std::optional<size_t> pickItem(const std::vector<std::u16string>& names) override;
    void showPaneText(std::u16string_view html) override;
    void setStatusText(std::u16string_view text) override;

private:
    std::istream& in_;
    std::ostream& out_;
    std::ostream& err_;
    bool interactive_;
};

} // namespace zelvon::cli
