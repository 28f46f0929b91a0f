// Draws the pictures of the default skin: toolbar and caption icons, the file status marks
// and the program icon, each also twice as large as "<name>@2x.png" for screens scaled by two
// (Qt's icons pick these up by their name; the skin loads them for its own pictures). Run once
// after changing a drawing:
//   lumora-skin-painter <repository>/skin/default <repository>/packaging
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <functional>

namespace {

using Drawing = std::function<void(QPainter&, qreal)>; // painter on a square canvas of side s

const QColor Ink(43, 47, 56);
const QColor Blue(59, 130, 246);
const QColor Green(34, 168, 98);
const QColor Red(229, 72, 77);
const QColor Orange(240, 128, 48);
const QColor Violet(124, 92, 255);
const QColor Slate(91, 98, 112);

// The drawing on a width x height canvas, painted `scale` times as large (the same vector
// drawing, not an enlarged picture).
QImage Render(int width, int height, const Drawing& draw, int scale = 1)
{
    QImage image(width * scale, height * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    draw(p, qMin(width, height));
    p.end();
    return image;
}

QPen Stroke(const QColor& color, qreal width)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// A small landscape photo: frame, sun and two hills.
void Photo(QPainter& p, const QRectF& r, const QColor& color)
{
    p.setPen(Stroke(color, r.width() * 0.08));
    p.setBrush(QColor(255, 255, 255));
    p.drawRoundedRect(r, r.width() * 0.12, r.width() * 0.12);
    QPainterPath hills;
    hills.moveTo(r.left() + r.width() * 0.1, r.bottom() - r.height() * 0.12);
    hills.lineTo(r.left() + r.width() * 0.38, r.top() + r.height() * 0.48);
    hills.lineTo(r.left() + r.width() * 0.58, r.top() + r.height() * 0.7);
    hills.lineTo(r.left() + r.width() * 0.72, r.top() + r.height() * 0.56);
    hills.lineTo(r.right() - r.width() * 0.1, r.bottom() - r.height() * 0.12);
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(color.lighter(140));
    p.drawPath(hills);
    p.setBrush(QColor(255, 184, 48));
    p.drawEllipse(QPointF(r.left() + r.width() * 0.7, r.top() + r.height() * 0.3), r.width() * 0.1,
                  r.width() * 0.1);
}

// A round badge in the lower right corner with a white plus or minus.
void Badge(QPainter& p, qreal s, const QColor& color, bool plus)
{
    const QPointF c(s * 0.74, s * 0.74);
    const qreal radius = s * 0.22;
    p.setPen(Stroke(Qt::white, s * 0.05));
    p.setBrush(color);
    p.drawEllipse(c, radius, radius);
    p.setPen(Stroke(Qt::white, s * 0.07));
    p.drawLine(QPointF(c.x() - radius * 0.5, c.y()), QPointF(c.x() + radius * 0.5, c.y()));
    if (plus)
        p.drawLine(QPointF(c.x(), c.y() - radius * 0.5), QPointF(c.x(), c.y() + radius * 0.5));
}

void Disc(QPainter& p, qreal s, const QColor& color)
{
    QLinearGradient g(0, 0, 0, s);
    g.setColorAt(0, color.lighter(118));
    g.setColorAt(1, color.darker(108));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8));
}

void Gear(QPainter& p, qreal s)
{
    const QPointF c(s / 2, s / 2);
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal angle = (i * 180.0 / teeth - 90 + 180.0 / teeth / 2) * M_PI / 180.0;
        const qreal a0 = angle - M_PI / teeth / 2;
        const qreal a1 = angle + M_PI / teeth / 2;
        const qreal radius = (i % 2 == 0) ? s * 0.42 : s * 0.32;
        const QPointF p0(c.x() + radius * std::cos(a0), c.y() + radius * std::sin(a0));
        const QPointF p1(c.x() + radius * std::cos(a1), c.y() + radius * std::sin(a1));
        if (i == 0)
            gear.moveTo(p0);
        else
            gear.lineTo(p0);
        gear.lineTo(p1);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, s * 0.13, s * 0.13);
    QLinearGradient g(0, 0, 0, s);
    g.setColorAt(0, QColor(120, 130, 150));
    g.setColorAt(1, QColor(80, 88, 104));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(gear.subtracted(hole));
}

struct Picture
{
    QString name;
    int width;
    int height;
    Drawing draw;
};

QList<Picture> Pictures()
{
    QList<Picture> list;
    // File status marks (14 x 15, as the file list rows place them).
    list.append({"ready.png", 14, 15, [](QPainter& p, qreal s) {
                     p.setPen(Stroke(QColor(168, 176, 190), 1.6));
                     p.setBrush(QColor(255, 255, 255));
                     p.drawEllipse(QRectF(1.5, 2, s - 3, s - 3));
                 }});
    list.append({"ok.png", 14, 15, [](QPainter& p, qreal s) {
                     p.setPen(Qt::NoPen);
                     p.setBrush(Green);
                     p.drawEllipse(QRectF(0.5, 1, s - 1, s - 1));
                     p.setPen(Stroke(Qt::white, 1.8));
                     p.drawPolyline(QPolygonF({{3.8, 8.0}, {6.0, 10.2}, {10.3, 5.2}}));
                 }});
    list.append({"failed.png", 14, 15, [](QPainter& p, qreal s) {
                     p.setPen(Qt::NoPen);
                     p.setBrush(Red);
                     p.drawEllipse(QRectF(0.5, 1, s - 1, s - 1));
                     p.setPen(Stroke(Qt::white, 1.8));
                     p.drawLine(QPointF(4.6, 5.1), QPointF(9.4, 9.9));
                     p.drawLine(QPointF(9.4, 5.1), QPointF(4.6, 9.9));
                 }});
    // Toolbar (32 x 32).
    list.append({"tb_add.png", 32, 32, [](QPainter& p, qreal s) {
                     Photo(p, QRectF(s * 0.08, s * 0.14, s * 0.7, s * 0.6), Blue);
                     Badge(p, s, Green, true);
                 }});
    list.append({"tb_remove.png", 32, 32, [](QPainter& p, qreal s) {
                     Photo(p, QRectF(s * 0.08, s * 0.14, s * 0.7, s * 0.6), Slate);
                     Badge(p, s, Red, false);
                 }});
    list.append({"tb_preview.png", 32, 32, [](QPainter& p, qreal s) {
                     QPainterPath eye;
                     eye.moveTo(s * 0.06, s * 0.5);
                     eye.quadTo(s * 0.5, s * 0.08, s * 0.94, s * 0.5);
                     eye.quadTo(s * 0.5, s * 0.92, s * 0.06, s * 0.5);
                     p.setPen(Stroke(Violet, s * 0.07));
                     p.setBrush(QColor(240, 236, 255));
                     p.drawPath(eye);
                     QRadialGradient iris(QPointF(s * 0.46, s * 0.46), s * 0.2);
                     iris.setColorAt(0, Violet.lighter(130));
                     iris.setColorAt(1, Violet.darker(120));
                     p.setPen(Qt::NoPen);
                     p.setBrush(iris);
                     p.drawEllipse(QPointF(s / 2, s / 2), s * 0.17, s * 0.17);
                     p.setBrush(Qt::white);
                     p.drawEllipse(QPointF(s * 0.45, s * 0.44), s * 0.05, s * 0.05);
                 }});
    list.append(
        {"tb_process.png", 32, 32, [](QPainter& p, qreal s) {
             Disc(p, s, Green);
             p.setBrush(Qt::white);
             p.drawPolygon(QPolygonF({{s * 0.41, s * 0.32}, {s * 0.69, s * 0.5}, {s * 0.41, s * 0.68}}));
         }});
    list.append({"tb_stop.png", 32, 32, [](QPainter& p, qreal s) {
                     Disc(p, s, Red);
                     p.setBrush(Qt::white);
                     p.drawRoundedRect(QRectF(s * 0.36, s * 0.36, s * 0.28, s * 0.28), 1.5, 1.5);
                 }});
    list.append({"tb_resize.png", 32, 32, [](QPainter& p, qreal s) {
                     p.setPen(Stroke(Orange, s * 0.06));
                     p.setBrush(QColor(255, 243, 232));
                     p.drawRoundedRect(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8), s * 0.1, s * 0.1);
                     p.setPen(Stroke(Orange.darker(115), s * 0.08));
                     p.drawLine(QPointF(s * 0.3, s * 0.7), QPointF(s * 0.7, s * 0.3));
                     p.drawPolyline(QPolygonF({{s * 0.5, s * 0.3}, {s * 0.7, s * 0.3}, {s * 0.7, s * 0.5}}));
                     p.drawPolyline(QPolygonF({{s * 0.3, s * 0.5}, {s * 0.3, s * 0.7}, {s * 0.5, s * 0.7}}));
                 }});
    list.append({"tb_preference.png", 32, 32, [](QPainter& p, qreal s) { Gear(p, s); }});
    // Caption buttons (16 x 16, white on the dark caption).
    const QColor light(236, 239, 244);
    list.append({"cap_menu.png", 16, 16, [light](QPainter& p, qreal s) {
                     p.setPen(Stroke(light, 1.6));
                     for (qreal y : {s * 0.28, s * 0.5, s * 0.72})
                         p.drawLine(QPointF(s * 0.2, y), QPointF(s * 0.8, y));
                 }});
    list.append({"cap_min.png", 16, 16, [light](QPainter& p, qreal s) {
                     p.setPen(Stroke(light, 1.6));
                     p.drawLine(QPointF(s * 0.22, s * 0.56), QPointF(s * 0.78, s * 0.56));
                 }});
    list.append({"cap_max.png", 16, 16, [light](QPainter& p, qreal s) {
                     p.setPen(Stroke(light, 1.4));
                     p.setBrush(Qt::NoBrush);
                     p.drawRoundedRect(QRectF(s * 0.22, s * 0.22, s * 0.56, s * 0.56), 1.5, 1.5);
                 }});
    list.append({"cap_restore.png", 16, 16, [light](QPainter& p, qreal s) {
                     p.setPen(Stroke(light, 1.4));
                     p.setBrush(Qt::NoBrush);
                     p.drawPolyline(QPolygonF({{s * 0.38, s * 0.28},
                                               {s * 0.38, s * 0.18},
                                               {s * 0.82, s * 0.18},
                                               {s * 0.82, s * 0.62},
                                               {s * 0.72, s * 0.62}}));
                     p.drawRoundedRect(QRectF(s * 0.18, s * 0.38, s * 0.44, s * 0.44), 1.2, 1.2);
                 }});
    list.append({"cap_close.png", 16, 16, [light](QPainter& p, qreal s) {
                     p.setPen(Stroke(light, 1.6));
                     p.drawLine(QPointF(s * 0.26, s * 0.26), QPointF(s * 0.74, s * 0.74));
                     p.drawLine(QPointF(s * 0.74, s * 0.26), QPointF(s * 0.26, s * 0.74));
                 }});
    // Template panel buttons (16 x 16, dark).
    list.append({"tpl_add.png", 16, 16, [](QPainter& p, qreal s) {
                     p.setPen(Stroke(Slate, 1.8));
                     p.drawLine(QPointF(s * 0.5, s * 0.2), QPointF(s * 0.5, s * 0.8));
                     p.drawLine(QPointF(s * 0.2, s * 0.5), QPointF(s * 0.8, s * 0.5));
                 }});
    list.append({"tpl_menu.png", 16, 16, [](QPainter& p, qreal s) {
                     p.setPen(Qt::NoPen);
                     p.setBrush(Slate);
                     for (qreal x : {s * 0.22, s * 0.5, s * 0.78})
                         p.drawEllipse(QPointF(x, s * 0.5), s * 0.09, s * 0.09);
                 }});
    list.append({"quick_step.png", 24, 24, [](QPainter& p, qreal s) { Disc(p, s, Orange); }});
    return list;
}

// The program icon: a warm tile with a photo and a round stamp.
void ProgramIcon(QPainter& p, qreal s)
{
    const QRectF tile(s * 0.04, s * 0.04, s * 0.92, s * 0.92);
    QLinearGradient g(tile.topLeft(), tile.bottomRight());
    g.setColorAt(0, QColor(255, 150, 64));
    g.setColorAt(1, QColor(224, 69, 123));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(tile, s * 0.2, s * 0.2);

    const QRectF photo(s * 0.18, s * 0.22, s * 0.56, s * 0.46);
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawRoundedRect(photo, s * 0.05, s * 0.05);
    QPainterPath hills;
    hills.moveTo(photo.left() + s * 0.04, photo.bottom() - s * 0.04);
    hills.lineTo(photo.left() + s * 0.2, photo.top() + s * 0.18);
    hills.lineTo(photo.left() + s * 0.31, photo.top() + s * 0.3);
    hills.lineTo(photo.left() + s * 0.4, photo.top() + s * 0.22);
    hills.lineTo(photo.right() - s * 0.04, photo.bottom() - s * 0.04);
    hills.closeSubpath();
    p.setBrush(QColor(240, 110, 90));
    p.drawPath(hills);
    p.setBrush(QColor(255, 190, 60));
    p.drawEllipse(QPointF(photo.left() + s * 0.42, photo.top() + s * 0.12), s * 0.05, s * 0.05);

    const QPointF stamp(s * 0.7, s * 0.7);
    p.setBrush(QColor(38, 42, 54));
    p.setPen(QPen(Qt::white, s * 0.025));
    p.drawEllipse(stamp, s * 0.17, s * 0.17);
    p.setPen(Stroke(Qt::white, s * 0.045));
    p.drawPolyline(QPolygonF({{stamp.x() - s * 0.05, stamp.y() - s * 0.08},
                              {stamp.x() - s * 0.05, stamp.y() + s * 0.07},
                              {stamp.x() + s * 0.07, stamp.y() + s * 0.07}}));
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        QTextStream(stderr) << "usage: lumora-skin-painter <skin/default folder> <packaging folder>\n";
        return 2;
    }
    const QString skinFolder = QString::fromLocal8Bit(argv[1]);
    const QString packagingFolder = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(skinFolder);
    QDir().mkpath(packagingFolder);
    const auto atTwice = [](const QString& name) {
        return QString(name).insert(name.lastIndexOf('.'), "@2x");
    };
    for (const Picture& picture : Pictures()) {
        if (!Render(picture.width, picture.height, picture.draw).save(skinFolder + "/" + picture.name) ||
            !Render(picture.width, picture.height, picture.draw, 2)
                 .save(skinFolder + "/" + atTwice(picture.name)))
            return 1;
    }
    for (int size : {20, 64, 128}) {
        const QString name = QStringLiteral("app_icon_%1.png").arg(size);
        if (!Render(size, size, ProgramIcon).save(skinFolder + "/" + name) ||
            !Render(size, size, ProgramIcon, 2).save(skinFolder + "/" + atTwice(name)))
            return 1;
    }
    if (!Render(256, 256, ProgramIcon).save(packagingFolder + "/lumora-plenum.png"))
        return 1;
    if (argc > 3) {
        // A sheet with every picture enlarged four times, to look at them.
        const QList<Picture> pictures = Pictures();
        QImage sheet(static_cast<int>(pictures.size()) * 140 + 280, 280, QImage::Format_ARGB32);
        sheet.fill(QColor(200, 203, 210));
        QPainter p(&sheet);
        p.fillRect(0, 140, sheet.width(), 140, QColor(38, 42, 54));
        int x = 0;
        for (const Picture& picture : pictures) {
            const QImage image = Render(picture.width, picture.height, picture.draw);
            for (int y : {6, 146})
                p.drawImage(QRect(x + 6, y, picture.width * 4, picture.height * 4), image);
            x += 140;
        }
        p.drawImage(QRect(x, 6, 256, 256), Render(256, 256, ProgramIcon));
        p.end();
        sheet.save(QString::fromLocal8Bit(argv[3]));
    }
    return 0;
}
