#pragma once
// The watch library's flows shown in the window: message boxes through the
// one wrapper, the progress texts in the HTML pane (painted at once, since a
// blocking download follows), the wait cursor and the Select Item choice.

#include "watch/flow_ui.h"

#include <functional>

#include <QString>

namespace zelvon::ui {

class CVertrelView;

class WindowFlowUi final : public FlowUi {
public:
    explicit WindowFlowUi(CVertrelView& view) : view_(view) {}

    void showMessage(std::u16string_view text, std::u16string_view caption) override;
    bool askYesNo(std::u16string_view text, std::u16string_view caption) override;
    std::optional<size_t> pickItem(const std::vector<std::u16string>& names) override;
    void showPaneText(std::u16string_view html) override;
    void setStatusText(std::u16string_view text) override;
    void beginWait() override;
    void endWait() override;

    // Where setStatusText goes (the dialog that runs a flow, or the status bar).
    void setStatusSink(std::function<void(const QString&)> sink) { statusSink_ = std::move(sink); }

private:
    CVertrelView& view_;
    std::function<void(const QString&)> statusSink_;
};

} // namespace zelvon::ui
