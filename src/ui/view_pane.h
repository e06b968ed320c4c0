#pragma once
// The pane of the splitter that shows generated HTML: product pages, the
// overview, progress texts. Its colours and font size are read once.

#include "ui/splitter_pane.h"

namespace zelvon::ui {

class CHtmlCtrl;

class CViewPane : public SplitterPane {
    Q_OBJECT
public:
    CViewPane(const SettingsStore& settings, bool upper, QWidget* parent = nullptr);

    void showHtml(const QString& fragment);
    CHtmlCtrl* htmlCtrl() const { return html_; }

private:
    CHtmlCtrl* html_;
};

} // namespace zelvon::ui
