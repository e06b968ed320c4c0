#include "ui/dialogs/CPrefsDlg.h"

#include "app/settings_keys.h"
#include "app/settings_store.h"
#include "ui/message_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zelvon::ui {
namespace {

constexpr std::u16string_view kPrefs = u"Prefs";
constexpr int kDayEntries = 8;

bool startDetached(const QString& program) { return QProcess::startDetached(program, {}); }

// A file dialog that lists programs: files the user may run, and folders.
QString pickProgram(QWidget* parent, const QString& current) {
    QFileDialog dialog(parent, QStringLiteral("Choose the browser program"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
    const QFileInfo info(current);
    dialog.setDirectory(!current.isEmpty() && info.absoluteDir().exists() ? info.absolutePath()
                                                                          : QStringLiteral("/usr/bin"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

int checkedValue(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

} // namespace

CPrefsDlg::CPrefsDlg(const SettingsStore& settings, QWidget* parent)
    : StoreOnCloseDialog(parent), settings_(settings), reloadOnStart_(new QCheckBox(QStringLiteral("Check for Updates on Startup"))),
      showBestSelling_(new QCheckBox(QStringLiteral("Show Best Selling List"))),
      showWhatsNew_(new QCheckBox(QStringLiteral("Show What's New List"))), leaveNew_(new QComboBox),
      overrideBrowser_(new QCheckBox(QStringLiteral("Override default Browser"))), browser_(new QLineEdit),
      openBrowser_(new QPushButton(QStringLiteral("Open Browser"))), browse_(new QPushButton(QStringLiteral("Browse..."))),
      downloadsAtOnce_(new QSpinBox), launcher_(&startDetached), picker_(&pickProgram) {
    setWindowTitle(QStringLiteral("Configure Preferences"));
    setModal(true);

    auto* frame = new QGroupBox(QStringLiteral("Preferences"));
    auto* column = new QVBoxLayout(frame);
    column->addWidget(reloadOnStart_);
    column->addWidget(showBestSelling_);
    column->addWidget(showWhatsNew_);

    auto* leaveLabel = new QLabel(QStringLiteral("When Update found, leave as New"));
    auto* forLabel = new QLabel(QStringLiteral("for:"));
    forLabel->setBuddy(leaveNew_);
    // On Linux a drop-down is read by the label that labels it: the whole
    // sentence, not just "for:".
    const QString leaveName = leaveLabel->text() + QLatin1Char(' ') + forLabel->text();
    forLabel->setAccessibleName(leaveName);
    leaveNew_->setEditable(false);
    leaveNew_->setAccessibleName(leaveName);
    auto* forRow = new QHBoxLayout;
    forRow->addWidget(forLabel);
    forRow->addWidget(leaveNew_, 1);
    column->addWidget(leaveLabel);
    column->addLayout(forRow);

    // How many product pages a check downloads side by side.
    auto* atOnceLabel = new QLabel(QStringLiteral("Downloads at once"));
    atOnceLabel->setBuddy(downloadsAtOnce_);
    downloadsAtOnce_->setRange(kDownloadsAtOnceKey.minimum, kDownloadsAtOnceKey.maximum);
    downloadsAtOnce_->setAccessibleName(atOnceLabel->text());
    auto* atOnceRow = new QHBoxLayout;
    atOnceRow->addWidget(atOnceLabel);
    atOnceRow->addWidget(downloadsAtOnce_);
    atOnceRow->addStretch();
    column->addLayout(atOnceRow);

    column->addWidget(overrideBrowser_);
    auto* browserLabel = new QLabel(QStringLiteral("Enter file location of browser"));
    browserLabel->setBuddy(browser_);
    browser_->setAccessibleName(browserLabel->text());
    column->addWidget(browserLabel);
    column->addWidget(browser_);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(openBrowser_);
    buttonRow->addWidget(browse_);
    buttonRow->addStretch();
    column->addLayout(buttonRow);
    column->addWidget(new QLabel(QStringLiteral("(default is the desktop's web browser)")));
    column->addStretch();

    QDialogButtonBox* closeButtons = makeCloseButtons();
    openBrowser_->setAutoDefault(false);
    browse_->setAutoDefault(false);
    browse_->setAccessibleName(QStringLiteral("Browse for the browser program"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(closeButtons);
    resize(360, 420);

    setTabOrder(reloadOnStart_, showBestSelling_);
    setTabOrder(showBestSelling_, showWhatsNew_);
    setTabOrder(showWhatsNew_, leaveNew_);
    setTabOrder(leaveNew_, downloadsAtOnce_);
    setTabOrder(downloadsAtOnce_, overrideBrowser_);
    setTabOrder(overrideBrowser_, browser_);
    setTabOrder(browser_, openBrowser_);
    setTabOrder(openBrowser_, browse_);
    setTabOrder(browse_, closeButtons);

    load();
    connect(overrideBrowser_, &QCheckBox::toggled, this, &CPrefsDlg::applyBrowserRule);
    connect(openBrowser_, &QPushButton::clicked, this, &CPrefsDlg::openBrowser);
    connect(browse_, &QPushButton::clicked, this, &CPrefsDlg::browse);
}

void CPrefsDlg::load() {
    reloadOnStart_->setChecked(settings_.readInt(kPrefs, u"ReloadOnStart", 0) == 1);
    showWhatsNew_->setChecked(settings_.readInt(kPrefs, u"ShowWhatsNew", 1) == 1);
    showBestSelling_->setChecked(settings_.readInt(kPrefs, u"ShowBestSelling", 1) == 1);

    for (int days = 0; days < kDayEntries; ++days)
        leaveNew_->addItem(days == 1 ? QStringLiteral("1 Day") : QStringLiteral("%1 Days").arg(days));
    const int32_t leaveNew = settings_.readInt(kPrefs, u"LeaveNew", 0);
    // A value outside the list selects nothing; closing then stores -1.
    leaveNew_->setCurrentIndex(leaveNew >= 0 && leaveNew < kDayEntries ? leaveNew : -1);

    downloadsAtOnce_->setValue(readSetting(settings_, kDownloadsAtOnceKey));
    overrideBrowser_->setChecked(settings_.readInt(kPrefs, u"UseExternalBrowser", 0) == 1);
    browser_->setText(QString::fromStdU16String(settings_.readString(kPrefs, u"ExternalBrowser", u"")));
    applyBrowserRule();
}

void CPrefsDlg::applyBrowserRule() {
    const bool enabled = overrideBrowser_->isChecked();
    browser_->setEnabled(enabled);
    openBrowser_->setEnabled(enabled);
    browse_->setEnabled(enabled);
}

void CPrefsDlg::browse() {
    const QString chosen = picker_(this, browser_->text());
    if (!chosen.isEmpty())
        browser_->setText(chosen);
}

void CPrefsDlg::openBrowser() {
    const QString program = browser_->text();
    if (program.isEmpty()) {
        MessageBox::show(this, QStringLiteral("Please enter the path and filename of the browser application"),
                         QStringLiteral("Zelvon"));
        return;
    }
    if (!launcher_(program))
        MessageBox::show(this, QStringLiteral("Could not launch browser: ") + program, QStringLiteral("Zelvon"));
}

void CPrefsDlg::storeValues() {
    settings_.writeInt(kPrefs, u"ReloadOnStart", checkedValue(reloadOnStart_));
    settings_.writeInt(kPrefs, u"ShowWhatsNew", checkedValue(showWhatsNew_));
    settings_.writeInt(kPrefs, u"ShowBestSelling", checkedValue(showBestSelling_));
    settings_.writeInt(kPrefs, u"LeaveNew", leaveNew_->currentIndex());
    writeSetting(settings_, kDownloadsAtOnceKey, downloadsAtOnce_->value());
    settings_.writeInt(kPrefs, u"UseExternalBrowser", checkedValue(overrideBrowser_));
    settings_.writeString(kPrefs, u"ExternalBrowser", browser_->text().toStdU16String());
}

} // namespace zelvon::ui
