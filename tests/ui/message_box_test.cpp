// The message-box wrapper hands every box to the test handler, in order,
// with the question's answer coming back from it.

#include "ui/message_box.h"

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
};

QTEST_MAIN(MessageBoxTest)
#include "message_box_test.moc"
