#include "ui/message_box.h"

#include <QMessageBox>

namespace zelvon::ui {
namespace {

MessageBox::Handler& testHandler() {
    static MessageBox::Handler handler;
    return handler;
}

QString captionOrName(const QString& caption) {
    return caption.isEmpty() ? QStringLiteral("Zelvon") : caption;
}

} // namespace

void MessageBox::show(QWidget* parent, const QString& text, const QString& caption) {
    if (testHandler()) {
        testHandler()(Kind::Message, text, caption);
        return;
    }
    QMessageBox::information(parent, captionOrName(caption), text, QMessageBox::Ok);
}

bool MessageBox::ask(QWidget* parent, const QString& text, const QString& caption) {
    if (testHandler())
        return testHandler()(Kind::Question, text, caption);
    return QMessageBox::question(parent, captionOrName(caption), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void MessageBox::setTestHandler(Handler handler) { testHandler() = std::move(handler); }

} // namespace zelvon::ui
