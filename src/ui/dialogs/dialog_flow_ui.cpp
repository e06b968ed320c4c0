#include "ui/dialogs/dialog_flow_ui.h"

#include "ui/dialogs/CSelectItemDlg.h"
#include "ui/check_outcome.h"
#include "ui/message_box.h"

#include <QGuiApplication>

namespace zelvon::ui {
namespace {

QString toQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// Lifts the wait cursor while the user has to answer a box or a list, and
// puts it back afterwards.
class CursorPause {
public:
    explicit CursorPause(int depth) : depth_(depth) {
        for (int i = 0; i < depth_; ++i)
            QGuiApplication::restoreOverrideCursor();
    }
    ~CursorPause() {
        for (int i = 0; i < depth_; ++i)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    CursorPause(const CursorPause&) = delete;
    CursorPause& operator=(const CursorPause&) = delete;

private:
    int depth_;
};

} // namespace

DialogFlowUi::~DialogFlowUi() {
    while (waitDepth_ > 0)
        endWait();
}

void DialogFlowUi::showMessage(std::u16string_view text, std::u16string_view caption) {
    CursorPause pause(waitDepth_);
    MessageBox::show(owner_, toQString(text), toQString(caption));
}

void DialogFlowUi::showFailureMessage(std::u16string_view text, std::u16string_view caption, const Failure& failure) {
    CursorPause pause(waitDepth_);
    MessageBox::show(owner_, {toQString(text), toQString(caption), causeSentence(failure), MessageBox::Icon::Warning});
}

bool DialogFlowUi::askYesNo(std::u16string_view text, std::u16string_view caption) {
    CursorPause pause(waitDepth_);
    return MessageBox::ask(owner_, toQString(text), toQString(caption));
}

std::optional<size_t> DialogFlowUi::pickItem(const std::vector<std::u16string>& names) {
    CursorPause pause(waitDepth_);
    return CSelectItemDlg::pick(owner_, names);
}

void DialogFlowUi::showPaneText(std::u16string_view html) {
    if (paneSink_)
        paneSink_(toQString(html));
}

void DialogFlowUi::setStatusText(std::u16string_view text) {
    if (statusSink_)
        statusSink_(toQString(text));
}

void DialogFlowUi::beginWait() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ++waitDepth_;
}

void DialogFlowUi::endWait() {
    if (waitDepth_ == 0)
        return;
    --waitDepth_;
    QGuiApplication::restoreOverrideCursor();
}

} // namespace zelvon::ui
