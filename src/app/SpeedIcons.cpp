#include "app/SpeedIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

namespace app {
namespace {

// Names from the freedesktop icon naming scheme; used only when the theme has all of them, so
// the bar never mixes the theme's pictures with the program's own.
constexpr std::array<const char*, SpeedButtonCount> ThemeNames = {
    "document-new",
    "document-open",
    "list-add",
    "document-properties",
    "edit-copy",
    "edit-delete",
    "document-import",
    "document-export",
    "edit-find",
    "process-stop",
    "go-jump",
    "go-next",
    "document-print",
    "preferences-system",
    "preferences-desktop-theme",
    "view-sort-ascending",
    "help-contents",
};

const QColor Ink(40, 40, 40);
const QColor Paper(255, 255, 255);
const QColor Folder(230, 190, 80);
const QColor Green(40, 150, 40);
const QColor Red(200, 40, 40);
const QColor Blue(40, 80, 190);

void page(QPainter& p, QRectF r) {
    const qreal fold = 3;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(Ink, 1));
    p.setBrush(Paper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void lines(QPainter& p, QRectF r, int count) {
    p.setPen(QPen(QColor(120, 120, 120), 1));
    for (int i = 0; i < count; ++i) {
        const qreal y = r.top() + 4 + 2.5 * i;
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    }
}

void plus(QPainter& p, QPointF c, qreal arm, const QColor& color) {
    p.setPen(QPen(color, 2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
}

void cross(QPainter& p, QPointF c, qreal arm, const QColor& color) {
    p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() - arm, c.y() - arm), QPointF(c.x() + arm, c.y() + arm));
    p.drawLine(QPointF(c.x() - arm, c.y() + arm), QPointF(c.x() + arm, c.y() - arm));
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& color) {
    p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QLineF shaft(to, from);
    QLineF left = shaft;
    left.setLength(4);
    left.setAngle(shaft.angle() + 40);
    QLineF right = shaft;
    right.setLength(4);
    right.setAngle(shaft.angle() - 40);
    p.drawLine(left);
    p.drawLine(right);
}

void magnifier(QPainter& p) {
    p.setPen(QPen(Ink, 2));
    p.setBrush(QColor(200, 225, 255));
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
    p.setPen(QPen(Ink, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14, 14));
}

void target(QPainter& p, QPointF c) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Red, 1.5));
    p.drawEllipse(c, 5.5, 5.5);
    p.drawEllipse(c, 2.5, 2.5);
    p.setPen(QPen(Ink, 1));
    p.drawLine(QPointF(c.x() - 7, c.y()), QPointF(c.x() + 7, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - 7), QPointF(c.x(), c.y() + 7));
}

// Each picture is drawn on a 16 x 16 grid.
void draw(QPainter& p, SpeedButton button) {
    switch (button) {
    case SpeedButton::NewDatabase:
        page(p, {2.5, 1.5, 10, 13});
        plus(p, {12, 12}, 3, Green);
        break;
    case SpeedButton::OpenDatabase:
        p.setPen(QPen(Ink, 1));
        p.setBrush(Folder.darker(115));
        p.drawRect(QRectF(1.5, 3.5, 12, 10));
        p.setBrush(Folder);
        p.drawPolygon(QPolygonF({{1.5, 13.5}, {4.5, 7.5}, {15.5, 7.5}, {12.5, 13.5}}));
        break;
    case SpeedButton::AddRecord:
        page(p, {1.5, 1.5, 10, 13});
        lines(p, {1.5, 1.5, 10, 13}, 3);
        plus(p, {12, 11}, 3.5, Green);
        break;
    case SpeedButton::EditRecord:
        page(p, {1.5, 1.5, 10, 13});
        lines(p, {1.5, 1.5, 10, 13}, 3);
        p.setPen(QPen(Blue, 2.5, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(14.5, 6), QPointF(7.5, 13));
        p.setPen(QPen(Ink, 1));
        p.drawLine(QPointF(7.5, 13), QPointF(6, 14.5));
        break;
    case SpeedButton::CopyRecord:
        page(p, {1.5, 1.5, 9, 10});
        page(p, {5.5, 4.5, 9, 10});
        lines(p, {5.5, 4.5, 9, 10}, 2);
        break;
    case SpeedButton::DeleteRecord:
        page(p, {1.5, 1.5, 10, 13});
        lines(p, {1.5, 1.5, 10, 13}, 3);
        cross(p, {11.5, 11.5}, 3, Red);
        break;
    case SpeedButton::ImportRecords:
        page(p, {5.5, 1.5, 9, 13});
        lines(p, {5.5, 1.5, 9, 13}, 3);
        arrow(p, {0.5, 8}, {8.5, 8}, Green);
        break;
    case SpeedButton::ExportRecords:
        page(p, {1.5, 1.5, 9, 13});
        lines(p, {1.5, 1.5, 9, 13}, 3);
        arrow(p, {7.5, 8}, {15, 8}, Blue);
        break;
    case SpeedButton::SearchRecords:
        magnifier(p);
        break;
    case SpeedButton::EndSearch:
        magnifier(p);
        cross(p, {12, 4}, 2.5, Red);
        break;
    case SpeedButton::LocateRecord:
        target(p, {8, 8});
        break;
    case SpeedButton::LocateNextRecord:
        target(p, {6.5, 8});
        arrow(p, {11, 13}, {15, 13}, Green);
        break;
    case SpeedButton::Reports:
        p.setPen(QPen(Ink, 1));
        p.setBrush(Paper);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(170, 170, 170));
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        p.setBrush(Paper);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
        p.setPen(QPen(Green, 1));
        p.drawPoint(QPointF(12.5, 8.5));
        break;
    case SpeedButton::ViewerConfiguration:
        p.setPen(QPen(Ink, 1));
        p.setBrush(Paper);
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.setBrush(QColor(170, 170, 170));
        p.drawRect(QRectF(1.5, 2.5, 13, 3));
        p.drawLine(QPointF(6, 2.5), QPointF(6, 13.5));
        p.drawLine(QPointF(10.5, 2.5), QPointF(10.5, 13.5));
        p.drawLine(QPointF(1.5, 9.5), QPointF(14.5, 9.5));
        break;
    case SpeedButton::ColorSetup:
        p.setPen(QPen(Ink, 1));
        p.setBrush(QColor(235, 215, 170));
        p.drawEllipse(QRectF(1, 2, 14, 12));
        p.setPen(Qt::NoPen);
        p.setBrush(Red);
        p.drawEllipse(QPointF(5, 6), 1.8, 1.8);
        p.setBrush(Green);
        p.drawEllipse(QPointF(9, 5), 1.8, 1.8);
        p.setBrush(Blue);
        p.drawEllipse(QPointF(12, 8), 1.8, 1.8);
        p.setBrush(QColor(230, 200, 0));
        p.drawEllipse(QPointF(5.5, 10.5), 1.8, 1.8);
        break;
    case SpeedButton::SetSortingOrder: {
        QFont font = p.font();
        font.setPixelSize(7);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Ink);
        p.drawText(QRectF(0, 0, 9, 8), Qt::AlignCenter, "A");
        p.drawText(QRectF(0, 8, 9, 8), Qt::AlignCenter, "Z");
        arrow(p, {12.5, 1.5}, {12.5, 14}, Blue);
        break;
    }
    case SpeedButton::Help: {
        p.setPen(QPen(Blue.darker(120), 1));
        p.setBrush(Blue);
        p.drawEllipse(QRectF(1, 1, 14, 14));
        QFont font = p.font();
        font.setPixelSize(12);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Paper);
        p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, "?");
        break;
    }
    }
}

QPixmap picture(SpeedButton button, int scale) {
    QPixmap pixmap(16 * scale, 16 * scale);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    draw(p, button);
    return pixmap;
}

bool themeHasAll() {
    for (const char* name : ThemeNames) {
        if (!QIcon::hasThemeIcon(name))
            return false;
    }
    return true;
}

} // namespace

QIcon builtInSpeedIcon(SpeedButton button) {
    QIcon icon;
    icon.addPixmap(picture(button, 1));
    icon.addPixmap(picture(button, 2));
    return icon;
}

QIcon speedIcon(SpeedButton button) {
    const auto index = static_cast<std::size_t>(button);
    if (index < ThemeNames.size() && themeHasAll())
        return QIcon::fromTheme(ThemeNames[index]);
    return builtInSpeedIcon(button);
}

} // namespace app
