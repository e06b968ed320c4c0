#pragma once
// The tree view's commands that open a dialog: Add Product, Preferences,
// Network Connection and Check for Parsing Scripts. Each checks its own
// guard (nothing happens while a download runs).

namespace zelvon::ui {

class CVertrelView;

void runAddProductCommand(CVertrelView& view);
void runPreferencesCommand(CVertrelView& view);
void runNetworkConnectionCommand(CVertrelView& view);
void runCheckParsingScriptsCommand(CVertrelView& view);

} // namespace zelvon::ui
