#pragma once
// What the dialog tests share: the window's fixture (the demo store
// in-process, an application folder pointed at it, private settings, every
// message box recorded) and a way to answer a modal dialog once it shows.

#include "window_test_support.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace zelvon::test {

// "http://127.0.0.1:PORT" of the fixture's demo store.
inline QString storeBase(const WindowFixture& f) {
    return QString::fromStdString(f.productUrl("")).section("/store/", 0, 0);
}

// The boxes shown so far, as "caption|text".
inline QStringList boxTexts(const WindowFixture& f) {
    QStringList texts;
    for (const Box& box : f.boxes)
        texts << box.caption + QStringLiteral("|") + box.text;
    return texts;
}

// A window over the demo store, built but not shown: its view gives the
// flows their context.
class DialogTestWorld : public WindowFixture {
public:
    DialogTestWorld() { open(false); }
    FlowContext context() { return view().flowContext(); }
};

// Runs `act` on the next modal dialog of type `Dialog` once it is shown,
// looking every 10 ms for at most five seconds; `seen` counts the dialogs
// found, so a test can tell that none came. The watch ends when the returned
// timer goes, so it never outlives the locals `act` refers to.
template <class Dialog, class Act>
[[nodiscard]] std::unique_ptr<QTimer> whenModal(Act act, int* seen = nullptr) {
    auto timer = std::make_unique<QTimer>();
    QTimer* watch = timer.get();
    QObject::connect(watch, &QTimer::timeout, [watch, tries = 0, act, seen]() mutable {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget()); dialog && dialog->isVisible()) {
            watch->stop();
            if (seen)
                ++*seen;
            act(dialog);
        } else if (++tries > 500) {
            watch->stop();
        }
    });
    watch->start(10);
    return timer;
}

} // namespace zelvon::test
