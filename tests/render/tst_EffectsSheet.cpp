#include <QDir>
#include <QFont>
#include <QTemporaryDir>
#include <QTest>

#include "RenderTestSupport.h"
#include "services/imaging/text/ApplicationFonts.h"

using namespace RenderTestSupport;

// Draws one sheet with every layer effect, for a person to look at
// (<build>/screenshots/render-effects-sheet.png); each panel must show its effect's mark: its
// colour, on the side where the effect puts it.
class EffectsSheetTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    struct Panel
    {
        QString caption;
        QList<WatermarkConf> layers;
        std::function<bool(const QImage&)> shows; // the effect's mark on the drawn panel
    };

    static QRect redText(const QImage& panel) { return boxOf(panel, near(QColor(200, 40, 20), 50)); }

    // True when pixels matching `match` stand in each of the n x n cells of the panel.
    static bool inEveryCell(const QImage& panel, int n, const std::function<bool(QRgb)>& match)
    {
        const int w = panel.width() / n, h = panel.height() / n;
        for (int cell = 0; cell < n * n; ++cell) {
            if (boxOf(panel.copy((cell % n) * w, (cell / n) * h, w, h), match).isEmpty())
                return false;
        }
        return true;
    }

    // A small badge picture with a transparent corner cut, numbered.
    QString badge(int number)
    {
        QImage picture(48, 32, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(20, 110, 200));
        painter.setPen(QPen(Qt::white, 2));
        painter.drawRoundedRect(QRectF(1, 1, 46, 30), 6, 6);
        painter.setPen(Qt::white);
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 12, QFont::Bold));
        painter.drawText(picture.rect(), Qt::AlignCenter, QString::number(number));
        painter.end();
        const QString path = m_dir.filePath(QStringLiteral("badge%1.png").arg(number));
        picture.save(path);
        return path;
    }

    static WatermarkConf text(const QString& content)
    {
        WatermarkConf conf = plainTextLayer(content);
        conf.Location = 4;
        conf.TextColor = colorRef(200, 40, 20);
        return conf;
    }

    QList<Panel> panels()
    {
        QList<Panel> list;
        WatermarkConf shadow = text(QStringLiteral("Shadow"));
        shadow.BAddShadow = 1;
        shadow.ShadowBR = 4;
        shadow.ShadowAlpha = 40;
        shadow.ShadowH = 5;
        shadow.ShadowV = 5;
        // The shadow is black at low alpha: darker than the paper, below and right of the text.
        list.append({QStringLiteral("diffused shadow"), {shadow}, [](const QImage& panel) {
                         const QRect shade =
                             boxOf(panel, [](QRgb p) { return qGray(p) < 215 && qRed(p) < 200; });
                         const QRect text = redText(panel);
                         return !text.isEmpty() && shade.right() > text.right() + 2 &&
                                shade.bottom() > text.bottom() + 2;
                     }});

        WatermarkConf outline = text(QStringLiteral("Outline"));
        outline.BDrawEdge = 1;
        outline.EdgeColor = colorRef(10, 40, 160);
        outline.EdgeLineThickness = 4;
        list.append({QStringLiteral("outline under the fill"), {outline}, [](const QImage& panel) {
                         const QRect edge = boxOf(panel, near(QColor(10, 40, 160), 50));
                         return edge.contains(redText(panel));
                     }});

        const char* directions[] = {"up left", "up right", "down left", "down right"};
        for (int pos = 0; pos < 4; ++pos) {
            WatermarkConf depth = text(QStringLiteral("3D"));
            depth.Font.lfHeight = -64;
            depth.B3DText = 1;
            depth.TDTextPos = pos;
            depth.TDTextOffset = 8;
            depth.TDTextColor = colorRef(90, 90, 90);
            list.append({QStringLiteral("3D copies %1").arg(QLatin1String(directions[pos])),
                         {depth},
                         [pos](const QImage& panel) {
                             const QRect copies = boxOf(panel, near(QColor(90, 90, 90), 30));
                             const QRect text = redText(panel);
                             const bool left = copies.left() < text.left(), up = copies.top() < text.top();
                             const bool right = copies.right() > text.right(),
                                        down = copies.bottom() > text.bottom();
                             return !text.isEmpty() && (pos % 2 ? right && !left : left && !right) &&
                                    (pos < 2 ? up && !down : down && !up);
                         }});
        }

        WatermarkConf gradient = text(QStringLiteral("Gradient"));
        gradient.Font.lfHeight = -56;
        gradient.BFillText = 0;
        gradient.BGradientText = 1;
        // From the stored begin colour (cyan) at the left to the end colour (red) at the right.
        list.append({QStringLiteral("gradient fill"), {gradient}, [](const QImage& panel) {
                         const QRect begin = boxOf(panel, near(QColor(0, 255, 255), 60));
                         const QRect end = boxOf(panel, near(QColor(255, 0, 0), 60));
                         return !begin.isEmpty() && !end.isEmpty() && begin.center().x() < end.center().x();
                     }});

        WatermarkConf rotated = text(QStringLiteral("Rotation 30"));
        rotated.Rotation = 30;
        // Turned counter-clockwise: the text's right end stands higher than its left end.
        list.append({QStringLiteral("rotation 30 about the anchor"), {rotated}, [](const QImage& panel) {
                         const QRect text = redText(panel);
                         const auto red = near(QColor(200, 40, 20), 50);
                         const QRect leftEnd = boxOf(panel.copy(text.left(), 0, 12, panel.height()), red);
                         const QRect rightEnd =
                             boxOf(panel.copy(text.right() - 11, 0, 12, panel.height()), red);
                         return !text.isEmpty() && rightEnd.center().y() + 20 < leftEnd.center().y();
                     }});

        WatermarkConf tiledOutline = text(QStringLiteral("Tiled"));
        tiledOutline.Font.lfHeight = -20;
        tiledOutline.BCoverImage = 1;
        tiledOutline.coverImgMethod = 0;
        tiledOutline.EdgeLineThickness = 1;
        tiledOutline.EdgeColor = colorRef(0, 120, 60);
        list.append({QStringLiteral("repetition, outlined"), {tiledOutline}, [](const QImage& panel) {
                         return inEveryCell(panel, 2, near(QColor(0, 120, 60), 60));
                     }});

        WatermarkConf tiledFill = text(QStringLiteral("Lean"));
        tiledFill.Font.lfHeight = -20;
        tiledFill.Rotation = 15;
        tiledFill.BCoverImage = 1;
        tiledFill.coverImgMethod = 1;
        list.append(
            {QStringLiteral("repetition, filled, leaning twice 15"), {tiledFill}, [](const QImage& panel) {
                 return inEveryCell(panel, 2, near(QColor(200, 40, 20), 50));
             }});

        QList<WatermarkConf> pictures;
        for (int cell = 0; cell < 9; ++cell) {
            WatermarkConf picture = pictureOnlyLayer(badge(cell));
            picture.ImageLocation = cell;
            pictures.append(picture);
        }
        WatermarkConf turned = pictureOnlyLayer(badge(9));
        turned.ImageLocation = 4;
        turned.ImageOffsetH = 90;
        turned.ImageRotation = 45;
        turned.ImageTransparency = 50;
        turned.ImageWidth = 96;
        turned.ImageHeight = 64;
        pictures.append(turned);
        list.append(
            {QStringLiteral("pictures at the nine anchors; turned, half alpha"), pictures,
             [](const QImage& panel) { return inEveryCell(panel, 3, near(QColor(20, 110, 200), 30)); }});

        WatermarkConf all = text(QStringLiteral("Lumora"));
        all.Font.lfHeight = -60;
        all.Rotation = 10;
        all.BAddShadow = 1;
        all.ShadowAlpha = 30;
        all.BDrawEdge = 1;
        all.EdgeColor = colorRef(255, 255, 255);
        all.B3DText = 1;
        all.TDTextOffset = 5;
        all.BGradientText = 1;
        // The white outline, the grey copies and both ends of the gradient all show.
        list.append({QStringLiteral("all text effects together"), {all}, [](const QImage& panel) {
                         for (const QColor& mark : {QColor(255, 255, 255), QColor(128, 128, 128),
                                                    QColor(0, 255, 255), QColor(255, 0, 0)}) {
                             if (countPixels(panel, near(mark, 30)) < 20)
                                 return false;
                         }
                         return true;
                     }});
        return list;
    }

private slots:
    void initTestCase() { registerApplicationFonts(); }

    void drawSheet()
    {
        const QSize panelSize(420, 260);
        const int columns = 3;
        const QList<Panel> list = panels();
        const int rows = int((list.size() + columns - 1) / columns);
        const int captionHeight = 24;
        QImage sheet(columns * (panelSize.width() + 10) + 10,
                     rows * (panelSize.height() + captionHeight + 10) + 10,
                     QImage::Format_ARGB32_Premultiplied);
        sheet.fill(QColor(60, 60, 60));
        QPainter sheetPainter(&sheet);
        sheetPainter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));

        for (int i = 0; i < list.size(); ++i) {
            QImage panel(panelSize, QImage::Format_ARGB32_Premultiplied);
            panel.fill(QColor(236, 232, 220));
            {
                QPainter painter(&panel);
                for (const WatermarkConf& layer : list[i].layers)
                    WatermarkCompositor::drawLayer(painter, layer, panelSize, 250'000'000);
            }
            QVERIFY2(list[i].shows(panel), qPrintable(list[i].caption));
            const QPoint at(10 + (i % columns) * (panelSize.width() + 10),
                            10 + (i / columns) * (panelSize.height() + captionHeight + 10));
            sheetPainter.setPen(Qt::white);
            sheetPainter.drawText(QRect(at, QSize(panelSize.width(), captionHeight)), Qt::AlignVCenter,
                                  list[i].caption);
            sheetPainter.drawImage(at + QPoint(0, captionHeight), panel);
        }
        sheetPainter.end();
        const QString folder = QStringLiteral(LUMORA_BUILD_DIR "/screenshots");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(sheet.save(folder + QStringLiteral("/render-effects-sheet.png")));
    }
};

QTEST_MAIN(EffectsSheetTest)
#include "tst_EffectsSheet.moc"
