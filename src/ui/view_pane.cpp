#include "ui/view_pane.h"

#include "app/settings_store.h"
#include "ui/html_ctrl.h"

#include <QVBoxLayout>

namespace zelvon::ui {

CViewPane::CViewPane(const SettingsStore& settings, bool upper, QWidget* parent)
    : SplitterPane(settings, upper, parent), html_(new CHtmlCtrl(settings, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(html_);
    PageLook look;
    look.bgColor = static_cast<uint32_t>(settings.readInt(u"HtmlView", u"bgColor", 0xCDFFFF));
    look.txColor = static_cast<uint32_t>(settings.readInt(u"HtmlView", u"txColor", 0));
    look.lkColor = static_cast<uint32_t>(settings.readInt(u"HtmlView", u"lkColor", 0xFF0000));
    look.fontSize = settings.readString(u"HtmlView", u"fontSize", u"smaller");
    html_->setLook(look);
    showHtml(QString::fromStdU16String(promotionLine()));
}

void CViewPane::showHtml(const QString& fragment) { html_->showHtml(fragment); }

} // namespace zelvon::ui
