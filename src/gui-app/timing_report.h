#pragma once
// For the window benchmark: with ZELVON_TIMING=1 the program reports on
// standard error, in milliseconds since start, when its first frame was
// painted, when the tree was filled and how long an update run took, with
// its resident memory once idle. ZELVON_TIMING=quit-after-run also ends the
// program when the first update run is over.

#include <QElapsedTimer>
#include <QObject>

namespace zelvon::ui {
class CMainFrame;
}

class TimingReport : public QObject {
    Q_OBJECT
public:
    // Nothing when ZELVON_TIMING is not set.
    static void attachIfAsked(zelvon::ui::CMainFrame& frame, const QElapsedTimer& sinceStart);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Ending { None, QuitAfterRun, CloseDuringRun };
    static constexpr int kCloseDelayMs = 500;

    TimingReport(zelvon::ui::CMainFrame& frame, const QElapsedTimer& sinceStart, Ending ending);
    void report(const char* what, qint64 value);
    static qint64 residentKilobytes();

    zelvon::ui::CMainFrame& frame_;
    const QElapsedTimer& sinceStart_;
    bool painted_ = false;
    bool runStarted_ = false;
    qint64 runStart_ = 0;
};
