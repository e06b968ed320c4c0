#include "ui/html_ctrl.h"

#include "app/settings_store.h"
#include "foundation/formatting.h"

#include <QApplication>
#include <QProcess>
#include <QTextCursor>
#include <QTextDocument>

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

namespace {

// How much the page's own size tag scales its text, measured on a laid-out
// probe as Qt draws it (the tag is applied when the text is laid out).
qreal tagScale(const PageLook& look) {
    const auto width = [](const QString& html) {
        QTextDocument document;
        document.setDocumentMargin(0);
        document.setHtml(html);
        return document.idealWidth();
    };
    const QString probe = QStringLiteral("MMMMMMMMMMMMMMMMMMMM");
    const qreal plain = width(QStringLiteral("<html><body>") + probe + QStringLiteral("</body></html>"));
    const qreal tagged = width(QString::fromStdU16String(buildPage(probe.toStdU16String(), look)));
    return plain > 0 && tagged > 0 ? tagged / plain : 1.0;
}

} // namespace

void CHtmlCtrl::setLook(const PageLook& look) {
    look_ = look;
    // The page keeps its size tag, but its text is read at the desktop's
    // normal size: the default page tag ("smaller") shrank every word below
    // the rest of the window. The base is moved by the same step, so the
    // other settings stay larger or smaller than that.
    static const qreal defaultScale = tagScale(PageLook{});
    QFont base = QApplication::font();
    if (base.pointSizeF() > 0)
        base.setPointSizeF(base.pointSizeF() / defaultScale);
    setFont(base);
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
