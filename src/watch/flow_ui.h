#pragma once
// What a flow of the watch library needs from the front end that runs it:
// message boxes, a Yes/No question, the Select Item choice, the progress
// text of the HTML pane, a status line and the wait cursor. The command
// line answers on the terminal, the window with its dialogs and pane, the
// tests with recorders and scripted answers; the flows never know which.
// Every text and caption reaches these calls exactly as the user sees it.

#include "foundation/failure.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvon {

class FlowUi {
public:
    virtual ~FlowUi() = default;

    // A modal message with an OK button. An empty caption means the box
    // has no caption of its own (the front end shows the program's name).
    virtual void showMessage(std::u16string_view text, std::u16string_view caption) = 0;
    // The same box for a failure, with its cause to show beneath the text
    // (the box's informative text, the terminal's next line). The text stays
    // the described one; a front end that has no place for the cause shows
    // the plain box.
    virtual void showFailureMessage(std::u16string_view text, std::u16string_view caption, const Failure& failure) {
        (void)failure;
        showMessage(text, caption);
    }
    // A modal question with Yes and No; true only for Yes.
    virtual bool askYesNo(std::u16string_view text, std::u16string_view caption) = 0;
    // The Select Item choice among `names`, in the order given; the chosen
    // position, or nothing when the user cancels.
    virtual std::optional<size_t> pickItem(const std::vector<std::u16string>& names) = 0;
    // Replaces the HTML pane's content with an HTML fragment. The text must
    // be visible before the flow's next blocking step (the window repaints).
    virtual void showPaneText(std::u16string_view html) = 0;
    // The status line of the running dialog (the Add Product dialog's
    // "Status" text); front ends without one may print or ignore it.
    virtual void setStatusText(std::u16string_view text) = 0;
    // The wait cursor around a blocking download; always paired.
    virtual void beginWait() {}
    virtual void endWait() {}
};

// Holds the wait cursor for a scope, so every return path restores it.
class WaitCursorScope {
public:
    explicit WaitCursorScope(FlowUi& ui) : ui_(ui) { ui_.beginWait(); }
    ~WaitCursorScope() { ui_.endWait(); }
    WaitCursorScope(const WaitCursorScope&) = delete;
    WaitCursorScope& operator=(const WaitCursorScope&) = delete;

private:
    FlowUi& ui_;
};

} // namespace zelvon
