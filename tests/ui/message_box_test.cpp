// The message-box wrapper hands every box to the test handler, in order,
// with the question's answer coming back from it.

#include "ui/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using zelvon::ui::MessageBox;

class MessageBoxTest : public QObject {
    Q_OBJECT
private slots:
    void handlerSeesBoxesAndAnswers() {
        QStringList seen;
        MessageBox::setTestHandler([&](MessageBox::Kind kind, const QString& text, const QString& caption) {
            seen << QString("%1|%2|%3").arg(kind == MessageBox::Kind::Question ? "Q" : "M", caption, text);
            return text.contains("yes");
        });
        MessageBox::show(nullptr, "Could not download:  x", "");
        QVERIFY(MessageBox::ask(nullptr, "say yes", "Confirm"));
        QVERIFY(!MessageBox::ask(nullptr, "say no", "Confirm"));
        MessageBox::setTestHandler({});
        QCOMPARE(seen, QStringList({"M||Could not download:  x", "Q|Confirm|say yes", "Q|Confirm|say no"}));
    }

    // The cause beneath the described text, and the warning icon, reach the
    // test handler and the real box alike.
    void failureBoxesCarryTheCause() {
        const MessageBox::Content failure{"Could not download latest data.", "Download Failure",
                                          "The server answered 404 Not Found.", MessageBox::Icon::Warning};
        QStringList seen;
        MessageBox::setDetailedTestHandler([&](MessageBox::Kind, const MessageBox::Content& box) {
            seen << QString("%1|%2|%3|%4").arg(box.caption, box.text, box.informativeText)
                        .arg(box.icon == MessageBox::Icon::Warning ? "warning" : "information");
            return false;
        });
        MessageBox::show(nullptr, failure);
        MessageBox::show(nullptr, "Done.", "Success");
        MessageBox::setTestHandler({});
        QCOMPARE(seen, QStringList({"Download Failure|Could not download latest data.|The server answered 404 Not "
                                    "Found.|warning",
                                    "Success|Done.||information"}));

        QString shown;
        QTimer::singleShot(0, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(widget)) {
                    shown = QString("%1|%2|%3|%4").arg(box->windowTitle(), box->text(), box->informativeText())
                                .arg(box->icon() == QMessageBox::Warning ? "warning" : "other");
                    box->accept();
                }
        });
        MessageBox::show(nullptr, failure);
        QCOMPARE(shown, seen.first());
    }
};

QTEST_MAIN(MessageBoxTest)
#include "message_box_test.moc"
