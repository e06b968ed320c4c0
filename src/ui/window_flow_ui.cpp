#include "ui/window_flow_ui.h"

#include "ui/dialogs/CSelectItemDlg.h"
#include "ui/message_box.h"
#include "ui/vertrel_view.h"

#include <QGuiApplication>

namespace zelvon::ui {
namespace {

QString qs(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void WindowFlowUi::showMessage(std::u16string_view text, std::u16string_view caption) {
    MessageBox::show(view_.window(), qs(text), qs(caption));
}

bool WindowFlowUi::askYesNo(std::u16string_view text, std::u16string_view caption) {
    return MessageBox::ask(view_.window(), qs(text), qs(caption));
}

std::optional<size_t> WindowFlowUi::pickItem(const std::vector<std::u16string>& names) {
    return CSelectItemDlg::pick(view_.window(), names);
}

void WindowFlowUi::showPaneText(std::u16string_view html) { view_.showHtmlNow(qs(html)); }

void WindowFlowUi::setStatusText(std::u16string_view text) {
    if (statusSink_)
        statusSink_(qs(text));
}

void WindowFlowUi::beginWait() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }

void WindowFlowUi::endWait() { QGuiApplication::restoreOverrideCursor(); }

} // namespace zelvon::ui
