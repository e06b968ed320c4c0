// The update check as the tree and the pane show it. The driver runs the
// downloads and decides what comes next; here its reports become the
// entries' texts ("Reloading...", " (Cached)"), the pane's progress texts in
// the branch's order, the status line and, for a single product, the
// failure box.

#include "ui/vertrel_view.h"

#include "app/settings_keys.h"
#include "ui/check_outcome.h"
#include "ui/message_box.h"
#include "watch/store_lists.h"

#include <QTreeWidget>

namespace zelvon::ui {
namespace {

QString qs(const std::u16string& text) { return QString::fromStdU16String(text); }

} // namespace

CVertrelView::~CVertrelView() {
    // Stops a running download at once; its queued completion dies with the driver.
    delete driver_;
    driver_ = nullptr;
}

void CVertrelView::setUpUpdateCheck() {
    driver_ = new UpdateCheckDriver(watchList_, this);
    connect(driver_, &UpdateCheckDriver::jobStarted, this, &CVertrelView::onJobStarted);
    connect(driver_, &UpdateCheckDriver::jobFinished, this, &CVertrelView::onJobFinished);
    connect(driver_, &UpdateCheckDriver::finished, this, &CVertrelView::onRunFinished);
}

void CVertrelView::checkOne() {
    // A run still ending (its last box open) counts as busy too.
    if (busy_ || driver_->isRunning())
        return;
    QTreeWidgetItem* item = selectedItem();
    if (item == nullptr || kindOf(item) != KIND_WATCHED_PRODUCT)
        return;
    batchRun_ = false;
    startRun({recordIndex(item)}, 1);
}

void CVertrelView::checkAll(bool withStoreLists) {
    if (busy_ || batchRun_ || driver_->isRunning() || watchGroup_ == nullptr || watchGroup_->childCount() == 0)
        return;
    reloadWhatsNewAfter_ = withStoreLists;
    reloadBestSellingAfter_ = withStoreLists;
    batchRun_ = true;
    newlyMarked_.clear();
    // The batch goes down the branch as it is displayed: sorted at the
    // last fill, with entries added from a store list since then last.
    std::vector<size_t> order;
    for (int i = 0; i < watchGroup_->childCount(); ++i)
        order.push_back(recordIndex(watchGroup_->child(i)));
    startRun(std::move(order), static_cast<size_t>(readSetting(settings_, kDownloadsAtOnceKey)));
}

bool CVertrelView::startRun(std::vector<size_t> order, size_t atOnce) {
    runningJobs_.clear();
    announced_.reset();
    lastRunText_.clear();
    singleCheckFailure_.reset();
    emit outcomeText({});
    busy_ = true;
    emit stateChanged();
    if (driver_->start(UpdateCheckContext{appFolder_, catalogue_, proxy_, clock_}, std::move(order), atOnce))
        return true;
    // Nothing to download: the run ends without a word.
    busy_ = batchRun_ = false;
    emit stateChanged();
    return false;
}

void CVertrelView::cancelDownload() {
    // Honoured between products: the running downloads finish and are kept.
    driver_->cancel();
    showHtml(QStringLiteral("<b>Attempting to cancel download...</b><br><br>Try pressing Cancel again, if download "
                            "does not cancel in the next 5-10 seconds."));
}

QTreeWidgetItem* CVertrelView::watchItemFor(size_t index) const {
    for (int i = 0; watchGroup_ != nullptr && i < watchGroup_->childCount(); ++i)
        if (recordIndex(watchGroup_->child(i)) == index)
            return watchGroup_->child(i);
    return nullptr;
}

void CVertrelView::showRunText(const QString& fragment) {
    lastRunText_ = fragment;
    showHtml(fragment);
}

void CVertrelView::onJobStarted(const BatchJob& job, int started, int total) {
    runningJobs_[job.position] = job;
    if (QTreeWidgetItem* item = watchItemFor(job.index))
        item->setText(0, QStringLiteral("Reloading..."));
    if (batchRun_)
        emit progressText(
            QStringLiteral("Checking %1 of %2: %3").arg(started).arg(total).arg(qs(job.before.productName)));
    announceNextDownload();
}

// The pane follows the branch's order whatever order the downloads end in:
// it names the first product still running, and the next one only once
// that one's outcome is shown, so with several at once it reads as with one.
void CVertrelView::announceNextDownload() {
    if (announced_ || runningJobs_.empty())
        return;
    const BatchJob& job = runningJobs_.begin()->second;
    announced_ = job.position;
    showRunText(QStringLiteral("<b>Downloading Data for...</b><br>Name: ") + qs(job.before.productName) +
                QStringLiteral("<br>Url: ") + qs(job.before.productURL));
}

void CVertrelView::onJobFinished(const BatchJobReport& report) {
    runningJobs_.erase(report.position);
    if (announced_ == report.position)
        announced_.reset();
    // A product removed while it was downloaded has no entry left to show.
    QTreeWidgetItem* item = watchItemFor(report.index);
    if (item != nullptr) {
        const QString name = qs(report.before.productName);
        if (report.succeeded) {
            item->setText(0, name);
            // The last check no longer failed.
            item->setData(0, Qt::AccessibleDescriptionRole, entryDescription(report.outcome.record.isNew != 0, nullptr));
            showRunText(QStringLiteral("<b>Download Success...</b><br>Name: ") + name);
            const CompletionOutcome& outcome = report.outcome;
            if (outcome.updated) {
                // The pane keeps its texts; a list that did not reach its
                // file must not pass unnoticed, so the status line says so.
                if (!outcome.saved) {
                    QString text = QStringLiteral("Could not save the watch list to ") + qs(watchList_.path());
                    if (report.failure.failed())
                        text += QStringLiteral(": ") + qs(describeFailure(report.failure));
                    flowUi_.setStatusText(text.toStdU16String());
                }
                setEntryImage(item, outcome.record.isNew != 0);
                if (outcome.record.isNew != 0 && report.before.isNew == 0)
                    newlyMarked_ << qs(outcome.record.productName);
                if (!batchRun_)
                    renderItem(item);
            }
        } else {
            showRunText(QStringLiteral("<b>Download Failure...</b><br>Name: ") + name + QStringLiteral("<br>") +
                        causeHtml(report.failure));
            item->setText(0, name + QStringLiteral(" (Cached)"));
            item->setData(0, Qt::AccessibleDescriptionRole,
                          entryDescription(report.outcome.record.isNew != 0, &report.failure));
            if (!batchRun_)
                singleCheckFailure_ = report.failure;
        }
    }
    announceNextDownload();
}

void CVertrelView::onRunFinished(const UpdateBatchSummary& summary) {
    const bool batch = batchRun_;
    runningJobs_.clear();
    announced_.reset();
    busy_ = batchRun_ = false;
    emit stateChanged();
    if (batch)
        emit progressText({});
    const QString outcome = runSummaryText(summary);
    // A list that did not reach its file stays in the outcome as well.
    emit outcomeText(summary.saveFailures == 0 ? outcome
                                               : outcome + QStringLiteral(" Could not save the watch list to ") +
                                                     qs(watchList_.path()) + QLatin1Char('.'));
    if (batch) {
        const QString closing = QStringLiteral("<br>") + outcome.toHtmlEscaped();
        if (summary.cancelled) {
            showRunText(QStringLiteral("<b>Download has been cancelled.</b>") + closing);
        } else {
            const bool whatsNew = reloadWhatsNewAfter_ && whatsNewGroup_ != nullptr;
            const bool best = reloadBestSellingAfter_ && bestGroup_ != nullptr;
            if (whatsNew)
                reloadStoreListAfterBatch(StoreListKind::WhatsNew, best ? QString() : closing);
            if (best)
                reloadStoreListAfterBatch(StoreListKind::BestSelling, closing);
            if (!whatsNew && !best)
                showRunText(lastRunText_ + closing);
        }
        emit batchFinished(newlyMarked_);
        return;
    }
    // Last, with the run over: a timer firing inside the box finds the view idle.
    if (const std::optional<Failure> failure = std::exchange(singleCheckFailure_, std::nullopt))
        MessageBox::show(window(),
                         {QStringLiteral("Could not download latest data, will continue to use previous cached data."),
                          QStringLiteral("Download Failure"), causeSentence(*failure), MessageBox::Icon::Warning});
}

void CVertrelView::reloadStoreListAfterBatch(StoreListKind kind, const QString& closingSuffix) {
    setBusy(true);
    showHtmlNow(kind == StoreListKind::WhatsNew ? QStringLiteral("<b>Downloading What's New List...")
                                                : QStringLiteral("<b>Downloading Best Selling List..."));
    refillStoreBranch(kind, true);
    // The described text stays as it is, in bold up to the run's outcome.
    showHtml(QStringLiteral("<b>Downloading Completed.") +
             (closingSuffix.isEmpty() ? QString() : QStringLiteral("</b>") + closingSuffix));
    setBusy(false);
}

} // namespace zelvon::ui
