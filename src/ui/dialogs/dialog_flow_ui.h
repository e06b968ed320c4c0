#pragma once
// How a flow of the watch library shows itself in the window: messages and
// questions through the message-box wrapper, the Select Item choice through
// CSelectItemDlg, the status and pane texts through whoever owns them, and
// the wait cursor as the application's override cursor. A cursor still set
// when this object goes away is restored, so no path leaves it behind.

#include "watch/flow_ui.h"

#include <QString>

#include <functional>

class QWidget;

namespace zelvon::ui {

class DialogFlowUi : public FlowUi {
public:
    using TextSink = std::function<void(const QString&)>;

    explicit DialogFlowUi(QWidget* owner) : owner_(owner) {}
    ~DialogFlowUi() override;
    DialogFlowUi(const DialogFlowUi&) = delete;
    DialogFlowUi& operator=(const DialogFlowUi&) = delete;

    void setStatusSink(TextSink sink) { statusSink_ = std::move(sink); }
    void setPaneSink(TextSink sink) { paneSink_ = std::move(sink); }

    void showMessage(std::u16string_view text, std::u16string_view caption) override;
    // The described text with the cause beneath it, as a warning.
    void showFailureMessage(std::u16string_view text, std::u16string_view caption, const Failure& failure) override;
    bool askYesNo(std::u16string_view text, std::u16string_view caption) override;
    std::optional<size_t> pickItem(const std::vector<std::u16string>& names) override;
    void showPaneText(std::u16string_view html) override;
    void setStatusText(std::u16string_view text) override;
    void beginWait() override;
    void endWait() override;

    int waitDepth() const { return waitDepth_; }

private:
    QWidget* owner_;
    TextSink statusSink_;
    TextSink paneSink_;
    int waitDepth_ = 0;
};

} // namespace zelvon::ui
