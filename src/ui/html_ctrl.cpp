#include "ui/html_ctrl.h"

#include "app/settings_store.h"
#include "foundation/formatting.h"

#include <QProcess>

namespace zelvon::ui {
namespace {

QString cssColor(uint32_t color) { return QStringLiteral("#") + QString::fromStdU16String(colorToHex(color)); }

} // namespace

CHtmlCtrl::CHtmlCtrl(const SettingsStore& settings, QWidget* parent) : QTextBrowser(parent), settings_(settings) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setAccessibleName(QStringLiteral("Details"));
    connect(this, &QTextBrowser::anchorClicked, this, &CHtmlCtrl::openLink);
}

void CHtmlCtrl::setLook(const PageLook& look) {
    look_ = look;
    // QTextBrowser ignores the body's text and link attributes: the same
    // colours go into the palette and the document's style sheet instead.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, QColor(cssColor(look.bgColor)));
    colours.setColor(QPalette::Text, QColor(cssColor(look.txColor)));
    colours.setColor(QPalette::Link, QColor(cssColor(look.lkColor)));
    setPalette(colours);
    document()->setDefaultStyleSheet(QStringLiteral("body { color: %1; } a { color: %2; }")
                                         .arg(cssColor(look.txColor), cssColor(look.lkColor)));
}

void CHtmlCtrl::showHtml(const QString& fragment) {
    lastPage_ = QString::fromStdU16String(buildPage(fragment.toStdU16String(), look_));
    clear();
    setHtml(lastPage_);
    emit fragmentShown(fragment);
}

QStringList CHtmlCtrl::launchCommand(const SettingsStore& settings, const QString& link) {
    QString program = QStringLiteral("xdg-open");
    if (settings.readInt(u"Prefs", u"UseExternalBrowser", 0) == 1)
        program = QString::fromStdU16String(settings.readString(u"Prefs", u"ExternalBrowser", u"xdg-open"));
    return {program, link};
}

void CHtmlCtrl::openLink(const QUrl& link) {
    // The target as the page wrote it, spaces and query text unchanged.
    // (FullyDecoded is refused for a whole URL: Qt warns and may differ.)
    const QStringList command = launchCommand(settings_, link.toString());
    // Started without a shell; a missing or failing browser is not reported.
    if (!command.front().isEmpty())
        QProcess::startDetached(command.front(), command.mid(1));
}

} // namespace zelvon::ui
