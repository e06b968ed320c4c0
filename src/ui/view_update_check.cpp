// The update check in the window: one worker thread per product download,
// its end queued back to the user-interface thread, where the record is
// updated, the list saved and the next product of a batch started.

#include "ui/vertrel_view.h"

#include "foundation/formatting.h"
#include "ui/icon_strip.h"
#include "ui/message_box.h"
#include "watch/app_paths.h"
#include "watch/download_completion.h"
#include "watch/download_job.h"
#include "watch/store_lists.h"

#include <QTreeWidget>

#include <system_error>

namespace zelvon::ui {
namespace {

QString qs(const std::u16string& text) { return QString::fromStdU16String(text); }

} // namespace

CVertrelView::~CVertrelView() {
    // Wait for a running download; its queued completion dies with this object.
    worker_.reset();
}

void CVertrelView::checkOne() {
    if (busy_)
        return;
    batchRun_ = false;
    QTreeWidgetItem* item = selectedItem();
    batch_ = std::make_unique<UpdateBatch>(watchList_, UpdateCheckContext{appFolder_, catalogue_, proxy_, clock_});
    if (item != nullptr && kindOf(item) == KIND_WATCHED_PRODUCT)
        batch_->start({recordIndex(item)});
    startDownload(item);
}

void CVertrelView::checkAll(bool withStoreLists) {
    if (busy_ || batchRun_ || watchGroup_ == nullptr || watchGroup_->childCount() == 0)
        return;
    cancelRequested_ = false;
    reloadWhatsNewAfter_ = withStoreLists;
    reloadBestSellingAfter_ = withStoreLists;
    batchRun_ = true;
    batchPosition_ = 0;
    newlyMarked_.clear();
    // The batch goes down the branch as it is displayed: sorted at the
    // last fill, with entries added from a store list since then last.
    std::vector<size_t> order;
    for (int i = 0; i < watchGroup_->childCount(); ++i)
        order.push_back(recordIndex(watchGroup_->child(i)));
    batch_ = std::make_unique<UpdateBatch>(watchList_, UpdateCheckContext{appFolder_, catalogue_, proxy_, clock_});
    batch_->start(std::move(order));
    startDownload(watchGroup_->child(0));
}

void CVertrelView::cancelDownload() {
    cancelRequested_ = true;
    showHtml(QStringLiteral("<b>Attempting to cancel download...</b><br><br>Try pressing Cancel again, if download "
                            "does not cancel in the next 5-10 seconds."));
}

QTreeWidgetItem* CVertrelView::watchItemFor(size_t index) const {
    for (int i = 0; watchGroup_ != nullptr && i < watchGroup_->childCount(); ++i)
        if (recordIndex(watchGroup_->child(i)) == index)
            return watchGroup_->child(i);
    return nullptr;
}

void CVertrelView::startDownload(QTreeWidgetItem* item) {
    if (item == nullptr || kindOf(item) != KIND_WATCHED_PRODUCT || !batch_) {
        setBusy(false);
        return;
    }
    if (cancelRequested_) {
        cancelRequested_ = false;
        busy_ = batchRun_ = false;
        emit stateChanged();
        emit progressText({});
        showHtml(QStringLiteral("<b>Download has been cancelled.</b>"));
        return;
    }
    // The batch passes over records removed since it started; the tree
    // entry of the job it hands out is the one to show.
    currentJob_ = batch_->nextJob();
    currentItem_ = currentJob_ ? watchItemFor(currentJob_->index) : nullptr;
    if (!currentJob_ || currentItem_ == nullptr) {
        currentJob_.reset();
        busy_ = false;
        if (batchRun_)
            finishBatch();
        else
            emit stateChanged();
        return;
    }
    item = currentItem_;
    busy_ = true;
    const ProductRecord* record = &currentJob_->before;
    emit stateChanged();
    DownloadJob job = currentJob_->download;
    // The previous worker has posted its completion; wait until its thread
    // has really ended before it goes.
    worker_ = std::make_unique<DownloadWorker>();
    // The job is a copy of every text the download needs; the thread reports
    // only through the queued call, as its last action.
    try {
        worker_->thread = std::thread([this, job = std::move(job)] {
            DownloadResult result = runDownloadJob(job);
            QMetaObject::invokeMethod(
                this, [this, result = std::move(result)] { downloadFinished(result); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        worker_.reset();
        currentJob_.reset();
        cancelRequested_ = busy_ = batchRun_ = false;
        emit stateChanged();
        emit progressText({});
        return;
    }
    if (batchRun_)
        emit progressText(QStringLiteral("Checking %1 of %2: %3")
                              .arg(++batchPosition_)
                              .arg(watchGroup_->childCount())
                              .arg(qs(record->productName)));
    showHtml(QStringLiteral("<b>Downloading Data for...</b><br>Name: ") + qs(record->productName) +
             QStringLiteral("<br>Url: ") + qs(record->productURL));
    item->setText(0, QStringLiteral("Reloading..."));
}

void CVertrelView::downloadFinished(const DownloadResult& result) {
    if (worker_ && worker_->thread.joinable())
        worker_->thread.join();
    if (currentItem_ == nullptr || !batch_ || !currentJob_) {
        setBusy(false);
        return;
    }
    const BatchJob job = *std::exchange(currentJob_, std::nullopt);
    const ProductRecord before = watchList_.record(job.index).value_or(job.before);
    const QString name = qs(before.productName);
    // Applied and saved by the batch; a page the scripts no longer read
    // counts as a failed download there, so the record keeps its data.
    const BatchJobReport report = batch_->finishJob(job, result);
    if (report.succeeded) {
        currentItem_->setText(0, name);
        showHtml(QStringLiteral("<b>Download Success...</b><br>Name: ") + name);
        const CompletionOutcome& outcome = report.outcome;
        if (outcome.updated) {
            // The pane keeps its texts; a list that did not reach its file
            // must not pass unnoticed, so the status line says so.
            if (!outcome.saved)
                flowUi_.setStatusText(withSaveReason(u"Could not save the watch list to " + watchList_.path(), watchList_));
            setEntryImage(currentItem_, outcome.record.isNew != 0);
            if (outcome.record.isNew != 0 && before.isNew == 0)
                newlyMarked_ << qs(outcome.record.productName);
            if (!batchRun_)
                renderItem(currentItem_);
        }
    } else {
        showHtml(QStringLiteral("<b>Download Failure...</b><br>Name: ") + name);
        currentItem_->setText(0, name + QStringLiteral(" (Cached)"));
        busy_ = false;
        if (!batchRun_)
            MessageBox::show(window(), QStringLiteral("Could not download latest data, will continue to use previous "
                                                      "cached data."),
                             QStringLiteral("Download Failure"));
    }
    busy_ = false;
    if (!batchRun_) {
        cancelRequested_ = false;
        emit stateChanged();
        return;
    }
    if (cancelRequested_) {
        cancelRequested_ = false;
        batchRun_ = false;
        batch_->cancel();
        emit stateChanged();
        emit progressText({});
        showHtml(QStringLiteral("<b>Download has been cancelled.</b>"));
        emit batchFinished(newlyMarked_);
        return;
    }
    QTreeWidgetItem* parent = currentItem_->parent();
    QTreeWidgetItem* next = parent == nullptr ? nullptr : parent->child(parent->indexOfChild(currentItem_) + 1);
    if (next != nullptr) {
        startDownload(next);
        return;
    }
    finishBatch();
}

void CVertrelView::finishBatch() {
    batchRun_ = false;
    cancelRequested_ = false;
    emit stateChanged();
    emit progressText({});
    if (reloadWhatsNewAfter_ && whatsNewGroup_ != nullptr)
        reloadStoreListAfterBatch(StoreListKind::WhatsNew);
    if (reloadBestSellingAfter_ && bestGroup_ != nullptr)
        reloadStoreListAfterBatch(StoreListKind::BestSelling);
    emit batchFinished(newlyMarked_);
}

void CVertrelView::reloadStoreListAfterBatch(StoreListKind kind) {
    setBusy(true);
    showHtmlNow(kind == StoreListKind::WhatsNew ? QStringLiteral("<b>Downloading What's New List...")
                                                : QStringLiteral("<b>Downloading Best Selling List..."));
    refillStoreBranch(kind, true);
    showHtml(QStringLiteral("<b>Downloading Completed."));
    setBusy(false);
}

} // namespace zelvon::ui
