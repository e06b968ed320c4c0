#include "ui/dialogs/CNetworkDlg.h"

#include "watch/connection_test.h"
#include "watch/proxy_settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvon::ui {

CNetworkDlg::CNetworkDlg(const SettingsStore& settings, std::u16string appFolder, QWidget* parent)
    : StoreOnCloseDialog(parent), settings_(settings), appFolder_(std::move(appFolder)), flowUi_(this),
      useProxy_(new QCheckBox(QStringLiteral("Use Proxy Server"))), address_(new QLineEdit), port_(new QLineEdit),
      testUrl_(new QLineEdit), test_(new QPushButton(QStringLiteral("Test Connection"))) {
    setWindowTitle(QStringLiteral("Configure Network Connection"));
    setModal(true);

    auto* proxyFrame = new QGroupBox(QStringLiteral("Proxy Settings"));
    auto* proxyForm = new QFormLayout(proxyFrame);
    proxyForm->addRow(useProxy_);
    proxyForm->addRow(QStringLiteral("Address"), address_);
    proxyForm->addRow(QStringLiteral("Port"), port_);

    auto* testFrame = new QGroupBox(QStringLiteral("Test Internet Connection"));
    auto* testColumn = new QVBoxLayout(testFrame);
    auto* urlLabel = new QLabel(QStringLiteral("Enter URL"));
    urlLabel->setBuddy(testUrl_);
    testColumn->addWidget(urlLabel);
    testColumn->addWidget(testUrl_);
    auto* testRow = new QHBoxLayout;
    testRow->addWidget(test_);
    testRow->addStretch();
    testColumn->addLayout(testRow);

    auto* outerFrame = new QGroupBox(QStringLiteral("Configure Network Connection"));
    auto* outerColumn = new QVBoxLayout(outerFrame);
    outerColumn->addWidget(proxyFrame);
    outerColumn->addWidget(testFrame);
    outerColumn->addStretch();

    QDialogButtonBox* closeButtons = makeCloseButtons();
    test_->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(outerFrame);
    layout->addWidget(closeButtons);
    resize(380, 340);

    // Each frame is read by its own title, not by the dialog's.
    for (QGroupBox* group : {proxyFrame, testFrame, outerFrame})
        group->setAccessibleName(group->title());
    address_->setAccessibleName(QStringLiteral("Address"));
    port_->setAccessibleName(QStringLiteral("Port"));
    testUrl_->setAccessibleName(QStringLiteral("Enter URL"));
    setTabOrder(useProxy_, address_);
    setTabOrder(address_, port_);
    setTabOrder(port_, testUrl_);
    setTabOrder(testUrl_, test_);
    setTabOrder(test_, closeButtons);

    const NetworkValues values = loadNetworkValues(settings_);
    useProxy_->setChecked(values.useProxyChecked);
    address_->setText(QString::fromStdU16String(values.address));
    port_->setText(QString::fromStdU16String(values.port));
    testUrl_->setText(QString::fromStdU16String(values.testUrl));

    connect(test_, &QPushButton::clicked, this, &CNetworkDlg::testConnection);
}

NetworkValues CNetworkDlg::typedValues() const {
    NetworkValues values;
    values.useProxyChecked = useProxy_->isChecked();
    values.address = address_->text().toStdU16String();
    values.port = port_->text().toStdU16String();
    values.testUrl = testUrl_->text().toStdU16String();
    return values;
}

// The typed proxy, but the stored time limits every other download uses, so
// the test fails the way a check would.
bool CNetworkDlg::testConnection() {
    return runConnectionTest(typedValues(), appFolder_, flowUi_, ProxySettings::fromSettings(settings_).fetchOptions());
}

void CNetworkDlg::storeValues() { storeNetworkValues(typedValues(), settings_); }

} // namespace zelvon::ui
