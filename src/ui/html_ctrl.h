#pragma once
// The HTML viewer of the detail pane. Every page replaces the whole content;
// links never navigate inside the viewer: a click starts the desktop's
// browser (or the one the user configured) with the link as its argument.

#include "ui/html_page.h"

#include <QTextBrowser>

namespace zelvon {
class SettingsStore;
}

namespace zelvon::ui {

class CHtmlCtrl : public QTextBrowser {
    Q_OBJECT
public:
    CHtmlCtrl(const SettingsStore& settings, QWidget* parent = nullptr);

    void setLook(const PageLook& look);
    const PageLook& look() const { return look_; }
    void setFontSize(const QString& fontSize) { look_.fontSize = fontSize.toStdU16String(); }

    // Wraps the fragment in the page template and shows it.
    void showHtml(const QString& fragment);
    // The last page loaded, exactly as built.
    const QString& lastPage() const { return lastPage_; }

    // The program and argument list a click on `link` starts, by the
    // "Prefs" browser settings read at this moment.
    static QStringList launchCommand(const SettingsStore& settings, const QString& link);

signals:
    // Every fragment shown, in order (progress texts follow each other fast).
    void fragmentShown(const QString& fragment);

private:
    void openLink(const QUrl& link);

    const SettingsStore& settings_;
    PageLook look_;
    QString lastPage_;
};

} // namespace zelvon::ui
