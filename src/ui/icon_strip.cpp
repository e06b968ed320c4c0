#include "ui/icon_strip.h"

#include <QPainter>
#include <QPainterPath>

namespace zelvon::ui {
namespace {

constexpr int kSize = 16;

void drawGlobe(QPainter& p, const QRect& r) {
    p.setBrush(QColor(0x3A, 0x7B, 0xD5));
    p.setPen(QColor(0x1E, 0x4E, 0x8C));
    p.drawEllipse(r.adjusted(1, 1, -2, -2));
    p.setPen(QColor(0xE8, 0xF1, 0xFB));
    p.drawLine(r.left() + 2, r.center().y(), r.right() - 2, r.center().y());
    p.drawEllipse(r.adjusted(5, 1, -6, -2));
}

void drawFolder(QPainter& p, const QRect& r) {
    p.setPen(QColor(0x9A, 0x6B, 0x12));
    p.setBrush(QColor(0xF2, 0xC1, 0x4E));
    p.drawRect(r.left() + 1, r.top() + 4, 13, 9);
    p.drawRect(r.left() + 1, r.top() + 2, 6, 2);
}

void drawBox(QPainter& p, const QRect& r, const QColor& fill) {
    p.setPen(fill.darker(170));
    p.setBrush(fill);
    p.drawRect(r.left() + 2, r.top() + 3, 11, 10);
    p.drawLine(r.left() + 2, r.top() + 6, r.left() + 13, r.top() + 6);
}

void drawStar(QPainter& p, const QRect& r) {
    QPainterPath star;
    const QPointF c(r.left() + 11.5, r.top() + 4.5);
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 == 0 ? 4.5 : 2.0;
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const QPointF point(c.x() + radius * std::cos(angle), c.y() + radius * std::sin(angle));
        if (i == 0)
            star.moveTo(point);
        else
            star.lineTo(point);
    }
    star.closeSubpath();
    p.setPen(QColor(0xB0, 0x30, 0x00));
    p.setBrush(QColor(0xFF, 0x8C, 0x00));
    p.drawPath(star);
}

void drawImage(QPainter& p, int index, const QRect& r) {
    switch (index) {
    case kTreeImageRoot: drawGlobe(p, r); break;
    case kTreeImageBranch: drawFolder(p, r); break;
    case kTreeImageStoreEntry: drawBox(p, r, QColor(0xB8, 0xC4, 0xD0)); break;
    case kTreeImageProduct: drawBox(p, r, QColor(0x7F, 0xBF, 0x7F)); break;
    case kTreeImageNewProduct:
        drawBox(p, r, QColor(0x7F, 0xBF, 0x7F));
        drawStar(p, r);
        break;
    default: // unused places of the strip: a faint dot
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xC0, 0xC0, 0xC0));
        p.drawEllipse(r.center(), 2, 2);
        break;
    }
}

QPixmap blank(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QPixmap treeImageStrip() {
    QPixmap strip = blank(kSize * kTreeImageCount, kSize);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < kTreeImageCount; ++i)
        drawImage(p, i, QRect(i * kSize, 0, kSize, kSize));
    return strip;
}

QIcon treeImage(int index) {
    static const QPixmap strip = treeImageStrip();
    if (index < 0 || index >= kTreeImageCount)
        return {};
    return QIcon(strip.copy(index * kSize, 0, kSize, kSize));
}

QIcon toolbarImage(ToolbarImage image) {
    QPixmap pixmap = blank(kSize, kSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (image) {
    case ToolbarImage::Reload: {
        p.setPen(QPen(QColor(0x1E, 0x6E, 0x2E), 2));
        p.drawArc(QRect(2, 2, 12, 12), 30 * 16, 300 * 16);
        p.setBrush(QColor(0x1E, 0x6E, 0x2E));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygon({QPoint(10, 1), QPoint(15, 4), QPoint(10, 7)}));
        break;
    }
    case ToolbarImage::Cancel:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xC6, 0x28, 0x28));
        p.drawEllipse(QRect(1, 1, 14, 14));
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(5, 5, 11, 11);
        p.drawLine(11, 5, 5, 11);
        break;
    case ToolbarImage::AddProduct:
        drawBox(p, QRect(-1, 0, kSize, kSize), QColor(0x7F, 0xBF, 0x7F));
        p.setPen(QPen(QColor(0x1E, 0x4E, 0x8C), 2));
        p.drawLine(12, 1, 12, 8);
        p.drawLine(9, 4, 15, 4);
        break;
    }
    return QIcon(pixmap);
}

QPixmap aboutPicture() {
    QPixmap pixmap = blank(40, 40);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2.5, 2.5);
    drawGlobe(p, QRect(0, 0, kSize, kSize));
    drawStar(p, QRect(0, 0, kSize, kSize));
    return pixmap;
}

QIcon programIcon() { return QIcon(aboutPicture()); }

} // namespace zelvon::ui
