#include "ui/message_box.h"

#include <QMessageBox>

namespace zelvon::ui {
namespace {

MessageBox::DetailedHandler& testHandler() {
    static MessageBox::DetailedHandler handler;
    return handler;
}

QString captionOrName(const QString& caption) {
    return caption.isEmpty() ? QStringLiteral("Zelvon") : caption;
}

} // namespace

void MessageBox::show(QWidget* parent, const QString& text, const QString& caption) {
    show(parent, Content{text, caption, {}, Icon::Information});
}

void MessageBox::show(QWidget* parent, const Content& content) {
    if (testHandler()) {
        testHandler()(Kind::Message, content);
        return;
    }
    QMessageBox box(content.icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::Information,
                    captionOrName(content.caption), content.text, QMessageBox::Ok, parent);
    box.setInformativeText(content.informativeText);
    box.exec();
}

bool MessageBox::ask(QWidget* parent, const QString& text, const QString& caption) {
    if (testHandler())
        return testHandler()(Kind::Question, Content{text, caption, {}, Icon::Information});
    return QMessageBox::question(parent, captionOrName(caption), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void MessageBox::setTestHandler(Handler handler) {
    if (!handler) {
        testHandler() = {};
        return;
    }
    testHandler() = [handler = std::move(handler)](Kind kind, const Content& content) {
        return handler(kind, content.text, content.caption);
    };
}

void MessageBox::setDetailedTestHandler(DetailedHandler handler) { testHandler() = std::move(handler); }

} // namespace zelvon::ui
