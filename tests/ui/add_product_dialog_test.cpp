// The Add Product dialog against the demo store: each way a lookup ends,
// what the Status box and the message boxes say, whether Select Item is
// offered, and that the dialog stays open on every failure.

#include "dialog_test_fixture.h"
#include "ui/dialogs/CAddProductDlg.h"
#include "ui/dialogs/CSelectItemDlg.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace zelvon;
using zelvon::ui::CAddProductDlg;
using zelvon::ui::CSelectItemDlg;

class AddProductDialogTest : public QObject {
    Q_OBJECT
public slots:
    // Stands in for the desktop's handler of local files.
    void openUrl(const QUrl& url) { opened_ << url; }

private slots:
    void init() {
        world_ = std::make_unique<test::DialogTestWorld>();
    }
    void cleanup() { world_.reset(); }

    void opensByNameWithTheNote() {
        CAddProductDlg dialog(world_->context());
        QCOMPARE(dialog.windowTitle(), QString("Add Product"));
        QCOMPARE(dialog.findChild<QGroupBox*>()->title(), QString("Add New Product"));
        QVERIFY(dialog.byNameButton()->isChecked());
        QCOMPARE(dialog.byIdButton()->text(), QString("by ID"));
        QCOMPARE(dialog.statusText()->toPlainText(), QString("NOTE: You should be connected to the Internet to add a Product."));
        QVERIFY(dialog.statusText()->isReadOnly());
        QVERIFY(dialog.addButton()->isDefault());
        QStringList buddies;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            if (label->buddy())
                buddies << label->text();
        buddies.sort();
        QCOMPARE(buddies, QStringList({"Enter Wareloft Product", "Status"}));
        QDesktopServices::setUrlHandler("file", this, "openUrl");
        QTest::mouseClick(dialog.helpButton(), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(opened_, QList<QUrl>({QUrl::fromLocalFile(QString::fromStdU16String(world_->app.u16path()) +
                                                           "/help/caf.htm")}));
    }

    void lookupsThatFailKeepTheDialogOpen_data() {
        QTest::addColumn<QString>("entered");
        QTest::addColumn<bool>("byId");
        QTest::addColumn<QString>("statusStart");
        QTest::addColumn<QStringList>("boxes");
        // A word the box's cause names beneath the text; none when nothing failed.
        QTest::addColumn<QString>("cause");
        QTest::addColumn<bool>("storeDown");
        const QString note = "NOTE: You should be connected to the Internet to add a Product.";
        QTest::newRow("empty") << "" << false << note << QStringList{"Invalid Entry|Please Enter a Product ID/Name"}
                               << QString() << false;
        QTest::newRow("unknown ID") << "99999" << true << "Failed to Get Product Details:  "
                                    << QStringList{"Failure|Could not find the specified ProductID"} << "404" << false;
        QTest::newRow("no match") << "zzqx nothing" << false << note
                                  << QStringList{"Try Again|Could not find the specified Product Name"} << QString()
                                  << false;
        // Nothing was searched: the box must not say nothing was found.
        QTest::newRow("store down") << "notes" << false << "Failed to Get Product List:  "
                                    << QStringList{"Failure|The store could not be searched for the specified ProductName."}
                                    << "refused" << true;
    }

    void lookupsThatFailKeepTheDialogOpen() {
        QFETCH(QString, entered);
        QFETCH(bool, byId);
        QFETCH(QString, statusStart);
        QFETCH(QStringList, boxes);
        QFETCH(QString, cause);
        QFETCH(bool, storeDown);
        if (storeDown) {
            const std::string catalogue = world_->app.read("scripts/scripts.txt");
            world_->app.write("scripts/scripts.txt", std::regex_replace(catalogue, std::regex("http://[^\"]*/store/search"),
                                                                        "http://127.0.0.1:1/store/search"));
            world_->view().buildTree();
        }
        CAddProductDlg dialog(world_->context());
        // The cursor when the failed download's reason arrives: still the
        // wait cursor, since it is set on the download's own path.
        bool waitingAtFailure = false;
        connect(dialog.statusText(), &QPlainTextEdit::textChanged, [&] {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            waitingAtFailure = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
        });
        dialog.open();
        (byId ? dialog.byIdButton() : dialog.byNameButton())->click();
        QTest::keyClicks(dialog.entryEdit(), entered);
        QTest::keyClick(dialog.entryEdit(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.lookup());
        QCOMPARE(test::boxTexts(*world_), boxes);
        const test::Box& box = world_->boxes.back();
        QVERIFY2(cause.isEmpty() ? box.informativeText.isEmpty() : box.informativeText.contains(cause, Qt::CaseInsensitive),
                 qPrintable(box.informativeText));
        QCOMPARE(box.icon == ui::MessageBox::Icon::Warning, !cause.isEmpty());
        const QString status = dialog.statusText()->toPlainText();
        QVERIFY2(status.startsWith(statusStart), qPrintable(status));
        // A failed download shows the engine's reason after the words.
        if (byId) {
            QVERIFY(status.size() > statusStart.size());
            QVERIFY(waitingAtFailure);
        }
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void lookupsThatSucceedCloseWithTheProduct_data() {
        QTest::addColumn<QString>("entered");
        QTest::addColumn<bool>("byId");
        QTest::addColumn<int>("pickRow"); // -1: no Select Item expected
        QTest::addColumn<QString>("expectedId");
        QTest::newRow("by ID") << "10615" << true << -1 << "10615";
        QTest::newRow("one match") << "Meeting Minder" << false << -1 << "10615";
        QTest::newRow("first of two") << "chess" << false << 0 << "20121"; // "Chess Puzzles Daily"
        QTest::newRow("second of two") << "chess" << false << 1 << "20117";
    }

    void lookupsThatSucceedCloseWithTheProduct() {
        QFETCH(QString, entered);
        QFETCH(bool, byId);
        QFETCH(int, pickRow);
        QFETCH(QString, expectedId);
        int offered = 0;
        QStringList names;
        int preselected = -1;
        const auto watch = test::whenModal<CSelectItemDlg>(
            [&](CSelectItemDlg* pick) {
                for (int i = 0; i < pick->list()->count(); ++i)
                    names << pick->list()->item(i)->text();
                preselected = pick->list()->currentRow();
                pick->list()->setCurrentRow(pickRow);
                QTest::mouseClick(pick->okButton(), Qt::LeftButton);
            },
            &offered);
        CAddProductDlg dialog(world_->context());
        dialog.open();
        (byId ? dialog.byIdButton() : dialog.byNameButton())->click();
        QTest::keyClicks(dialog.entryEdit(), entered);
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.lookup());
        QCOMPARE(QString::fromStdU16String(dialog.lookup()->productId), expectedId);
        QCOMPARE(QString::fromStdU16String(dialog.lookup()->productUrl),
                 test::storeBase(*world_) + "/store/product?pid=" + expectedId);
        QCOMPARE(offered, pickRow >= 0 ? 1 : 0);
        if (pickRow >= 0) {
            QCOMPARE(names, QStringList({"Chess Puzzles Daily", "Pocket Chess Master"}));
            QCOMPARE(preselected, 0);
        }
        QCOMPARE(test::boxTexts(*world_), QStringList());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void cancellingSelectItemKeepsTheWords() {
        int offered = 0;
        const auto watch = test::whenModal<CSelectItemDlg>(
            [](CSelectItemDlg* pick) { QTest::keyClick(pick->list(), Qt::Key_Escape); }, &offered);
        CAddProductDlg dialog(world_->context());
        dialog.open();
        QTest::keyClicks(dialog.entryEdit(), "chess");
        QTest::mouseClick(dialog.addButton(), Qt::LeftButton);
        QCOMPARE(offered, 1);
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.lookup());
        QCOMPARE(dialog.entryEdit()->text(), QString("chess"));
        QVERIFY(dialog.byNameButton()->isChecked());
        QCOMPARE(test::boxTexts(*world_), QStringList());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        // Cancel closes with no result.
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

private:
    std::unique_ptr<test::DialogTestWorld> world_;
    QList<QUrl> opened_;
};

QTEST_MAIN(AddProductDialogTest)
#include "add_product_dialog_test.moc"
