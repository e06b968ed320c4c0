#pragma once
// The document holds no data: it forwards the frame-wide commands and
// their enabled states to the tree view, so the menu bar and the toolbar
// act the same whichever pane has the focus.

namespace zelvon::ui {

class CVertrelView;

class CVertrelDoc {
public:
    // TreeViewRef: the one tree view of the run.
    void setTreeView(CVertrelView* view) { view_ = view; }
    CVertrelView* treeView() const { return view_; }

    static bool forwardsCommand(int id);
    // False when the command is not the view's or there is no view yet.
    bool routeCommand(int id) const;
    bool isCommandEnabled(int id) const;

private:
    CVertrelView* view_ = nullptr;
};

} // namespace zelvon::ui
