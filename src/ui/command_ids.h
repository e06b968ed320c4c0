#pragma once
// The window's commands, by the numbers their menus and toolbar carry. A
// QAction's data holds the number, so tests and the routing find them alike.

namespace zelvon::ui {

enum CommandId : int {
    ID_ADD_PRODUCT = 32796,
    ID_RELOAD_ALL = 32877,
    ID_CHECK_ALL = 32800,
    ID_CHECK_ONE = 32787,
    ID_CANCEL_DOWNLOAD = 32794,
    ID_MARK_NEW = 32801,
    ID_REMOVE = 32788,
    ID_RELOAD_WHATSNEW = 32798,
    ID_RELOAD_BESTSELLING = 32802,
    ID_ADD_FROM_WHATSNEW = 32799,
    ID_ADD_FROM_BESTSELLING = 32803,
    ID_PREFERENCES = 32780,
    ID_NETWORK = 32777,
    ID_CHECK_SCRIPTS = 32804,
    ID_HELP = 32774,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
};

} // namespace zelvon::ui
