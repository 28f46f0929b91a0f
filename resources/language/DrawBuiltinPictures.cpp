// Draws the program's built-in button pictures into the current folder as PNG files named
// after their picture ids, the buttons also twice as large as "<id>@2x.png" for screens scaled
// by two. The pictures are committed beside this file; run it again after changing a drawing:
//   g++ -std=c++20 -fPIC DrawBuiltinPictures.cpp $(pkg-config --cflags --libs Qt6Gui) -o draw
//   QT_QPA_PLATFORM=offscreen ./draw
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// 1, or 2 for the twice as large pictures: the canvas has that many pixels per unit of the
// drawings, which stay in the units of the normal picture.
int scale = 1;

QImage NewPicture(int w, int h)
{
    QImage img(w * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(scale);
    img.fill(Qt::transparent);
    return img;
}

void RoundedPanel(QPainter& p, const QRectF& r, QColor top, QColor bottom, QColor border)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(border, 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
}

// Three stacked sheets and a small drop-down arrow: the layer menu button.
QImage LayerButton(bool pressed)
{
    QImage img = NewPicture(32, 24);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    if (pressed)
        RoundedPanel(p, QRectF(0, 0, 32, 24), QColor(190, 205, 225), QColor(225, 235, 248),
                     QColor(90, 110, 140));
    else
        RoundedPanel(p, QRectF(0, 0, 32, 24), QColor(252, 252, 254), QColor(221, 228, 238),
                     QColor(140, 150, 165));
    const qreal d = pressed ? 1 : 0;
    const QColor fills[3] = {QColor(70, 110, 190), QColor(100, 150, 220), QColor(150, 195, 245)};
    for (int i = 2; i >= 0; --i) {
        const qreal y = 5 + i * 4 + d;
        QPainterPath sheet;
        sheet.moveTo(4 + d, y + 3);
        sheet.lineTo(11 + d, y);
        sheet.lineTo(18 + d, y + 3);
        sheet.lineTo(11 + d, y + 6);
        sheet.closeSubpath();
        p.setPen(QPen(QColor(40, 60, 110), 1));
        p.setBrush(fills[i]);
        p.drawPath(sheet);
    }
    QPainterPath arrow;
    arrow.moveTo(22 + d, 10 + d);
    arrow.lineTo(28 + d, 10 + d);
    arrow.lineTo(25 + d, 14 + d);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(50, 60, 80));
    p.drawPath(arrow);
    return img;
}

// Three frames of 79 x 19 side by side: normal, pressed or disabled, mouse over.
QImage ChevronButton(bool pointsLeft)
{
    QImage img = NewPicture(237, 19);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    struct Look
    {
        QColor top, bottom, border, mark;
    };
    const Look looks[3] = {
        {QColor(250, 250, 250), QColor(218, 222, 228), QColor(150, 155, 165), QColor(60, 70, 90)},
        {QColor(200, 203, 208), QColor(225, 227, 230), QColor(150, 155, 165), QColor(140, 145, 150)},
        {QColor(235, 244, 255), QColor(190, 215, 245), QColor(70, 120, 200), QColor(30, 70, 150)},
    };
    for (int f = 0; f < 3; ++f) {
        const QRectF r(f * 79, 0, 79, 19);
        RoundedPanel(p, r, looks[f].top, looks[f].bottom, looks[f].border);
        p.setPen(QPen(looks[f].mark, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        const qreal cx = r.center().x();
        for (int k = 0; k < 2; ++k) {
            const qreal x = cx + (k == 0 ? -4 : 3);
            QPainterPath chevron;
            if (pointsLeft) {
                chevron.moveTo(x + 3, 5);
                chevron.lineTo(x - 1, 9.5);
                chevron.lineTo(x + 3, 14);
            } else {
                chevron.moveTo(x - 2, 5);
                chevron.lineTo(x + 2, 9.5);
                chevron.lineTo(x - 2, 14);
            }
            p.drawPath(chevron);
        }
    }
    return img;
}

// The naming dialogs' push button, 64 x 20: normal, hot, pressed, disabled.
QImage PushButton(int state)
{
    QImage img = NewPicture(64, 20);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    switch (state) {
    case 0:
        RoundedPanel(p, QRectF(0, 0, 64, 20), QColor(245, 245, 245), QColor(205, 208, 214),
                     QColor(40, 40, 40));
        break;
    case 1:
        RoundedPanel(p, QRectF(0, 0, 64, 20), QColor(255, 252, 235), QColor(245, 215, 150),
                     QColor(40, 40, 40));
        break;
    case 2:
        RoundedPanel(p, QRectF(0, 0, 64, 20), QColor(215, 185, 120), QColor(250, 235, 190),
                     QColor(20, 20, 20));
        break;
    default:
        RoundedPanel(p, QRectF(0, 0, 64, 20), QColor(150, 150, 150), QColor(130, 130, 130),
                     QColor(95, 95, 95));
        break;
    }
    return img;
}

// The picture path field: a flat white field with a clear button at its right end. The field
// is drawn 3 pixels left of and 2 pixels above the control, so the picture is that much larger.
QImage PathField(bool hasText)
{
    const int w = 253, h = 24;
    QImage img = NewPicture(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(0, 0, w, h), QColor(255, 255, 255));
    p.setPen(QColor(200, 205, 212));
    p.drawLine(QPointF(3, h - 1.5), QPointF(w, h - 1.5));
    const QRectF button(w - 20, 4, 16, 16);
    p.setPen(Qt::NoPen);
    p.setBrush(hasText ? QColor(200, 70, 60) : QColor(225, 225, 225));
    p.drawEllipse(button);
    p.setPen(QPen(hasText ? QColor(255, 255, 255) : QColor(250, 250, 250), 2, Qt::SolidLine, Qt::RoundCap));
    const QRectF x = button.adjusted(5, 5, -5, -5);
    p.drawLine(x.topLeft(), x.bottomRight());
    p.drawLine(x.topRight(), x.bottomLeft());
    return img;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    for (scale = 1; scale <= 2; ++scale) {
        const QString suffix = scale == 1 ? QStringLiteral(".png") : QStringLiteral("@2x.png");
        LayerButton(false).save("152" + suffix);
        LayerButton(true).save("153" + suffix);
        ChevronButton(true).save("186" + suffix);
        ChevronButton(false).save("187" + suffix);
        for (int s = 0; s < 4; ++s)
            PushButton(s).save(QString::number(232 + s) + suffix);
    }
    scale = 1;
    PathField(false).save("236.png");
    PathField(true).save("237.png");
    return 0;
}
