#include "gui/mainwindow/nav_pictures.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <array>

namespace tern::gui {

namespace {

constexpr std::array<const char16_t*, kNavPageCount> kPageNames = {
    u"Link Information", u"AP Settings", u"IP Settings", u"WEP Settings", u"802.1X Settings"};

// The page panel begins at x 149: a button is drawn up to the edge of the
// navigation column, and the rest of its picture is left clear.
constexpr int kColumnRight = 146;

// Where the navigation buttons sit on the backdrop (x, y, width).
constexpr std::array<std::array<int, 3>, kNavPageCount> kButtonSpots = {
    {{1, 25, 153}, {1, 60, 153}, {1, 95, 153}, {2, 131, 151}, {1, 170, 153}}};

const QColor kWindowBlue(198, 219, 247);
const QColor kNavy(22, 52, 112);
const QColor kDeepBlue(46, 92, 170);

QFont PictureFont(int pixels, bool bold) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void DrawButton(QPainter& p, const QRectF& r, int page, bool pressed) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body = r.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    if (pressed) {
        g.setColorAt(0.0, kNavy);
        g.setColorAt(1.0, kDeepBlue);
    } else {
        g.setColorAt(0.0, QColor(255, 255, 255));
        g.setColorAt(0.55, QColor(226, 237, 252));
        g.setColorAt(1.0, QColor(176, 202, 240));
    }
    QPainterPath path;
    path.addRoundedRect(body, 5, 5);
    p.fillPath(path, g);
    p.setPen(QPen(pressed ? QColor(12, 30, 70) : QColor(110, 146, 204), 1));
    p.drawPath(path);
    if (pressed) {
        // the inner shadow along the top edge of a pressed key
        p.setPen(QPen(QColor(0, 0, 0, 90), 1));
        p.drawLine(QPointF(body.left() + 4, body.top() + 1.5),
                   QPointF(body.right() - 4, body.top() + 1.5));
    }
    const int shift = pressed ? 1 : 0;
    // bullet: a small arrow head
    QPainterPath arrow;
    const double cx = body.left() + 11 + shift;
    const double cy = body.center().y() + shift;
    arrow.moveTo(cx - 3, cy - 4);
    arrow.lineTo(cx + 3, cy);
    arrow.lineTo(cx - 3, cy + 4);
    arrow.closeSubpath();
    p.fillPath(arrow, pressed ? QColor(255, 214, 90) : kDeepBlue);
    p.setFont(PictureFont(12, true));
    p.setPen(pressed ? QColor(255, 255, 255) : kNavy);
    p.drawText(body.adjusted(20 + shift, shift, -4, shift), Qt::AlignLeft | Qt::AlignVCenter,
               NavPageName(page));
    p.restore();
}

void DrawWaves(QPainter& p, QPointF centre) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 4; ++i) {
        const double radius = 16 + i * 14;
        p.setPen(QPen(QColor(255, 255, 255, 200 - i * 40), 3, Qt::SolidLine, Qt::RoundCap));
        const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        p.drawArc(box, 45 * 16, 90 * 16);
    }
    // the access point: a mast with a foot
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawEllipse(centre, 5, 5);
    p.drawRoundedRect(QRectF(centre.x() - 2, centre.y(), 4, 44), 2, 2);
    p.drawRoundedRect(QRectF(centre.x() - 22, centre.y() + 44, 44, 12), 4, 4);
    p.restore();
}

// An image of `size` logical pixels for a screen of `pixelRatio`: painters
// on it draw in logical pixels, at the screen's resolution.
QImage CanvasFor(QSize size, qreal pixelRatio) {
    const qreal ratio = pixelRatio > 0 ? pixelRatio : 1.0;
    QImage img((QSizeF(size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(ratio);
    return img;
}

}  // namespace

QString NavPageName(int page) {
    if (page < 0 || page >= kNavPageCount) {
        return {};
    }
    return QString::fromUtf16(kPageNames[static_cast<std::size_t>(page)]);
}

QPixmap BackgroundPicture(QSize size, qreal pixelRatio) {
    size = size.expandedTo(kBackgroundSize);
    // The page and list panels' frame grows with the window beyond its
    // default size; the column stays as wide as it is.
    const int extraWidth = size.width() - kBackgroundSize.width();
    const int extraHeight = size.height() - kBackgroundSize.height();
    QImage img = CanvasFor(size, pixelRatio);
    QPainter p(&img);
    // window colour, a little lighter at the top
    QLinearGradient back(0, 0, 0, size.height());
    back.setColorAt(0.0, QColor(222, 234, 251));
    back.setColorAt(1.0, kWindowBlue);
    p.fillRect(QRect(QPoint(0, 0), size), back);

    // navigation column
    const QRectF column(0, 0, 147, size.height());
    QLinearGradient col(column.topLeft(), column.topRight());
    col.setColorAt(0.0, QColor(70, 118, 196));
    col.setColorAt(1.0, QColor(120, 160, 222));
    p.fillRect(column, col);
    p.fillRect(QRectF(0, 0, 147, 18), kNavy);
    p.setPen(QColor(255, 255, 255));
    p.setFont(PictureFont(11, true));
    p.drawText(QRectF(8, 0, 139, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("MENU"));
    p.setPen(QColor(255, 255, 255, 120));
    p.drawLine(QPointF(146.5, 0), QPointF(146.5, size.height()));

    for (int i = 0; i < kNavPageCount; ++i) {
        const auto& s = kButtonSpots[static_cast<std::size_t>(i)];
        DrawButton(p, QRectF(s[0], s[1], std::min(s[2], kColumnRight - s[0]), 26), i, false);
    }
    DrawWaves(p, QPointF(73, 262));
    p.setPen(QColor(255, 255, 255, 220));
    p.setFont(PictureFont(11, true));
    p.drawText(QRectF(0, 334, 147, 16), Qt::AlignHCenter, QStringLiteral("Wireless LAN"));
    p.setFont(PictureFont(10, false));
    p.drawText(QRectF(0, 350, 147, 14), Qt::AlignHCenter, QStringLiteral("Access Point"));

    // a soft shadow around the page and list panels
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 3; i >= 1; --i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 70, 130, 18 * (4 - i)));
        p.drawRoundedRect(
            QRectF(149 - i + 2, 8 - i + 2, 364 + extraWidth + 2 * i, 430 + extraHeight + 2 * i), 4,
            4);
    }
    p.end();
    return QPixmap::fromImage(img);
}

QPixmap NavButtonPicture(int page, QSize size, bool pressed, qreal pixelRatio) {
    QImage img = CanvasFor(size, pixelRatio);
    img.fill(Qt::transparent);
    QPainter p(&img);
    // the picture sits at x 1 or 2 of the column
    DrawButton(p, QRectF(0, 0, std::min(size.width(), kColumnRight - 2), size.height()), page,
               pressed);
    p.end();
    return QPixmap::fromImage(img);
}

}  // namespace tern::gui
