#include "ui/splitter_pane.h"

#include "app/settings_store.h"
#include "app/settings_keys.h"

namespace zelvon::ui {

SplitterPane::SplitterPane(const SettingsStore& settings, bool upper, QWidget* parent)
    : QWidget(parent), settings_(settings), upper_(upper) {}

void SplitterPane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (firstUpdateDone_)
        return;
    firstUpdateDone_ = true;
    storeHeight();
    firstUpdate();
}

void SplitterPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (firstUpdateDone_)
        storeHeight();
}

void SplitterPane::storeHeight() {
    if (upper_)
        writeSetting(settings_, kSplitterPosKey, height());
}

} // namespace zelvon::ui
