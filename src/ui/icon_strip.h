#pragma once
// The window's own pictures, drawn in code so they scale and need no files:
// the tree's strip of 16 images of 16 x 16 (indices 0, 2, 3, 4 and 5 are
// used), the toolbar's three buttons, the About picture and the program
// icon.

#include <QIcon>
#include <QPixmap>

namespace zelvon::ui {

inline constexpr int kTreeImageCount = 16;
inline constexpr int kTreeImageRoot = 0;
inline constexpr int kTreeImageBranch = 2;
inline constexpr int kTreeImageStoreEntry = 3;
inline constexpr int kTreeImageProduct = 4;
inline constexpr int kTreeImageNewProduct = 5;

// The strip: 256 x 16 pixels, image i at x = 16 i.
QPixmap treeImageStrip();
QIcon treeImage(int index);

enum class ToolbarImage { Reload, Cancel, AddProduct };
QIcon toolbarImage(ToolbarImage image);

QPixmap aboutPicture(); // 40 x 40
QIcon programIcon();

} // namespace zelvon::ui
