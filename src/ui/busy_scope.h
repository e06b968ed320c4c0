#pragma once
// Holds the view's busy flag for a scope, so no return path leaves the
// window refusing every command. Commands that open a dialog or ask a
// question hold it meanwhile: a timer firing inside the modal loop (the
// start-up reload) then finds the view busy and starts nothing under them.

#include "ui/vertrel_view.h"

namespace zelvon::ui {

class BusyScope {
public:
    explicit BusyScope(CVertrelView& view) : view_(view) { view_.setBusy(true); }
    ~BusyScope() { view_.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    CVertrelView& view_;
};

} // namespace zelvon::ui
