#include "timing_report.h"

#include "ui/main_frame.h"
#include "ui/vertrel_view.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

void TimingReport::attachIfAsked(zelvon::ui::CMainFrame& frame, const QElapsedTimer& sinceStart) {
    const char* mode = std::getenv("ZELVON_TIMING");
    if (mode == nullptr || *mode == '\0')
        return;
    const Ending ending = qstrcmp(mode, "quit-after-run") == 0     ? Ending::QuitAfterRun
                          : qstrcmp(mode, "close-during-run") == 0 ? Ending::CloseDuringRun
                                                                   : Ending::None;
    new TimingReport(frame, sinceStart, ending);
}

TimingReport::TimingReport(zelvon::ui::CMainFrame& frame, const QElapsedTimer& sinceStart, Ending ending)
    : QObject(&frame), frame_(frame), sinceStart_(sinceStart) {
    const bool quitAfterRun = ending == Ending::QuitAfterRun;
    frame.installEventFilter(this);
    zelvon::ui::CVertrelView* view = frame.view();
    connect(view, &zelvon::ui::CVertrelView::treeBuilt, this, [this] {
        report("tree_filled_ms", sinceStart_.elapsed());
        // Idle memory: once the first paint after the fill is done.
        QTimer::singleShot(500, this, [this] { report("idle_rss_kb", residentKilobytes()); });
    });
    connect(view, &zelvon::ui::CVertrelView::stateChanged, this, [this, view, ending] {
        if (!runStarted_ && view->isBatchRun()) {
            runStarted_ = true;
            runStart_ = sinceStart_.elapsed();
            // The user closing the window while a download is under way.
            if (ending == Ending::CloseDuringRun)
                QTimer::singleShot(kCloseDelayMs, this, [this] {
                    report("closing_ms", sinceStart_.elapsed());
                    frame_.close();
                });
        }
    });
    connect(view, &zelvon::ui::CVertrelView::batchFinished, this, [this, quitAfterRun] {
        report("update_run_ms", sinceStart_.elapsed() - runStart_);
        if (quitAfterRun)
            QCoreApplication::quit();
    });
}

bool TimingReport::eventFilter(QObject* watched, QEvent* event) {
    if (!painted_ && watched == &frame_ && event->type() == QEvent::Paint) {
        painted_ = true;
        // After this paint has run.
        QTimer::singleShot(0, this, [this] { report("first_frame_ms", sinceStart_.elapsed()); });
    }
    return QObject::eventFilter(watched, event);
}

void TimingReport::report(const char* what, qint64 value) {
    std::fprintf(stderr, "%s %lld\n", what, static_cast<long long>(value));
    std::fflush(stderr);
}

qint64 TimingReport::residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLongLong();
    return -1;
}
