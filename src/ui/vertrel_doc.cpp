#include "ui/vertrel_doc.h"

#include "ui/command_ids.h"
#include "ui/vertrel_view.h"

namespace zelvon::ui {

bool CVertrelDoc::forwardsCommand(int id) {
    switch (id) {
    case ID_RELOAD_ALL:
    case ID_NETWORK:
    case ID_PREFERENCES:
    case ID_CANCEL_DOWNLOAD:
    case ID_HELP:
    case ID_ADD_PRODUCT:
    case ID_CHECK_SCRIPTS:
        return true;
    default:
        return false;
    }
}

bool CVertrelDoc::routeCommand(int id) const {
    if (view_ == nullptr || !forwardsCommand(id))
        return false;
    view_->runCommand(id);
    return true;
}

bool CVertrelDoc::isCommandEnabled(int id) const {
    if (view_ == nullptr)
        return false;
    return view_->isCommandEnabled(id);
}

} // namespace zelvon::ui
