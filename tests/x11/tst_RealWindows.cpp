// The desktop program's windows in a real X window with a window manager (run through
// run-in-x.sh): where the window manager puts them, how they look and how they take typing.
// Screenshots of the whole screen go to build/screenshots/x11/ (build/screenshots/x11/2x/ when
// the run is scaled with QT_SCALE_FACTOR=2).

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTabWidget>
#include <QToolTip>
#include <QWindow>
#include <functional>

#include "ScreenShots.h"
#include "app/CAboutDlg.h"
#include "model/DataFiles.h"
#include "model/OutputSettings.h"
#include "render/LayerOutline.h"
#include "services/folders/Folders.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "support/EditorTestSupport.h"
#include "support/FirstStartFiles.h"
#include "support/IsolatedHome.h"
#include "support/MainWindowFixture.h"
#include "support/ToolRun.h"
#include "ui/controls/CEditWithButton.h"
#include "ui/editor/CAddNewLayerDlg.h"
#include "ui/editor/CAddNewTempDlg.h"
#include "ui/editor/CEditTempImgDlg.h"
#include "ui/editor/CEditTemplateDlg.h"
#include "ui/editor/CTextEditTempDlg.h"
#include "ui/editor/EditorPreviewArea.h"
#include "ui/editor/PreviewPhotoChooser.h"
#include "ui/preview/COutputPreviewDlg.h"
#include "ui/settings/CImgResizingSettingDlg.h"
#include "ui/settings/CPreferenceDlg.h"
#include "ui/skin/CAboutDlgUI.h"
#include "ui/skin/CQuickStartDlgUI.h"

using EditorTest::storedElement;

namespace {

// Whether the window is mapped and the window manager has framed it within `ms`: the frame
// margins known and the window and its frame of a real size. On a loaded machine the window
// manager may report the margins before the window's own size reaches it, when the frame still
// reads as 0x0.
bool framedWithin(QWidget* window, int ms)
{
    if (!QTest::qWaitForWindowExposed(window, ms))
        return false;
    const bool frameless = window->windowFlags() & Qt::FramelessWindowHint;
    return QTest::qWaitFor(
        [window, frameless]() {
            const QWindow* handle = window->windowHandle();
            if (!handle || !handle->isVisible() || !handle->isExposed() || handle->geometry().isEmpty())
                return false;
            // Frameless windows (the skinned ones) have no frame to wait for.
            if (frameless)
                return true;
            const QRect frame = window->frameGeometry();
            return !handle->frameMargins().isNull() && !window->geometry().isEmpty() &&
                   frame.contains(window->geometry());
        },
        ms);
}

// What Qt and the X server say of a window that was not framed in time: to tell a window manager
// that never framed it from a frame Qt did not learn of.
void reportNotFramed(QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    const QMargins margins = handle ? handle->frameMargins() : QMargins();
    const QRect geometry = window->geometry();
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()),
                                          QStringLiteral("_NET_FRAME_EXTENTS"), QStringLiteral("WM_STATE")});
    const QString server = xprop.waitForFinished(10000) ? QString::fromLocal8Bit(xprop.readAll()).simplified()
                                                        : QStringLiteral("xprop did not answer");
    qWarning("%s \"%s\" not framed: visible %d, exposed %d, geometry %d,%d %dx%d, margins %d %d %d %d; "
             "the server: %s",
             window->metaObject()->className(), qPrintable(window->windowTitle()),
             handle && handle->isVisible(), handle && handle->isExposed(), geometry.x(), geometry.y(),
             geometry.width(), geometry.height(), margins.left(), margins.top(), margins.right(),
             margins.bottom(), qPrintable(server));
}

// Waits until the window manager has framed the window. Runs in CI have shown a window that
// was not framed after 30 s while every window after it was framed at once, as if the window
// manager had missed a request: after 20 s the window is shown again, once.
bool waitForFrame(QWidget* window)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0) {
            window->hide();
            window->show();
        }
        if (framedWithin(window, 20000))
            return true;
        reportNotFramed(window);
    }
    return false;
}

int countPixels(const QImage& image, const QRect& area, const std::function<bool(QColor)>& wanted)
{
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += wanted(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

bool isBlue(QColor c)
{
    return c.blue() > 200 && c.red() < 90 && c.green() < 90;
}

// Texts of labels and buttons that do not fit the control showing them.
QStringList clippedTexts(QWidget* window)
{
    QStringList clipped;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->isVisible() || label->wordWrap() || label->text().isEmpty() ||
            label->text().contains('<'))
            continue;
        const QFontMetrics metrics(label->font());
        for (const QString& line : label->text().split(QLatin1Char('\n'))) {
            if (metrics.horizontalAdvance(line) > label->contentsRect().width())
                clipped << QStringLiteral("label \"%1\": %2 > %3")
                               .arg(line)
                               .arg(metrics.horizontalAdvance(line))
                               .arg(label->contentsRect().width());
        }
    }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || button->text().isEmpty())
            continue;
        const bool box = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
        const int needed = box ? button->minimumSizeHint().width()
                               : QFontMetrics(button->font()).horizontalAdvance(button->text());
        if (needed > button->width())
            clipped << QStringLiteral("button \"%1\": %2 > %3")
                           .arg(button->text())
                           .arg(needed)
                           .arg(button->width());
    }
    return clipped;
}

// Shows a window, checks that the window manager put all of it (frame included) on the work
// area and that no text is clipped, and takes a screenshot.
void showAndShoot(QWidget* window, const QString& name)
{
    window->show();
    QVERIFY(waitForFrame(window));
    const QRect work = window->screen()->availableGeometry();
    QVERIFY2(work.contains(window->frameGeometry()),
             qPrintable(QStringLiteral("%1: frame %2,%3 %4x%5 outside the work area")
                            .arg(name)
                            .arg(window->frameGeometry().x())
                            .arg(window->frameGeometry().y())
                            .arg(window->frameGeometry().width())
                            .arg(window->frameGeometry().height())));
    const QStringList clipped = clippedTexts(window);
    QVERIFY2(clipped.isEmpty(), qPrintable(name + QStringLiteral(": ") + clipped.join(QStringLiteral("; "))));
    QVERIFY(!ScreenShots::take(name).isNull());
}

QPushButton* buttonWithText(QWidget* parent, const QString& text)
{
    for (QPushButton* button : parent->findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    qFatal("no button %s", qPrintable(text));
    return nullptr;
}

const QString kLayer = QStringLiteral("Demo 1_Layer 1");

// How many times the opaque pixels of `mark` appear in `screen` (each channel within 12).
int countMarks(const QImage& screen, const QImage& mark)
{
    QList<QPoint> opaque;
    for (int y = 0; y < mark.height(); ++y)
        for (int x = 0; x < mark.width(); ++x)
            if (qAlpha(mark.pixel(x, y)) == 255)
                opaque << QPoint(x, y);
    if (opaque.size() < 10)
        return -1; // too little to recognise
    auto close = [](QRgb a, QRgb b) {
        return qAbs(qRed(a) - qRed(b)) <= 12 && qAbs(qGreen(a) - qGreen(b)) <= 12 &&
               qAbs(qBlue(a) - qBlue(b)) <= 12;
    };
    int count = 0;
    for (int y = 0; y + mark.height() <= screen.height(); ++y) {
        for (int x = 0; x + mark.width() <= screen.width(); ++x) {
            bool all = true;
            for (const QPoint& p : opaque) {
                if (!close(screen.pixel(x + p.x(), y + p.y()), mark.pixel(p))) {
                    all = false;
                    break;
                }
            }
            count += all ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class RealWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
                 "run through tests/x11/run-in-x.sh");
        // The faces the program registers at its start, before any text is drawn (as
        // lumora-batch does): a face looked up before is kept by the font cache.
        registerApplicationFonts();
    }

    // The preview covers the work area with its frame: title bar and borders on screen, and the
    // yellow path label at the bottom visible.
    void outputPreviewFitsTheWorkArea()
    {
        MainWindowFixture f;
        CLumoraDlg* main = f.open();
        const QString photo = f.makePhoto(QStringLiteral("preview.png"));
        COutputPreviewDlg preview({[photo]() { return photo; }, {}, {}}, main->currentSettings(), main);
        preview.show();
        QVERIFY(waitForFrame(&preview));
        const QRect work = preview.screen()->availableGeometry();
        QTRY_VERIFY2_WITH_TIMEOUT(preview.frameGeometry() == work,
                                  qPrintable(QStringLiteral("frame %1,%2 %3x%4, work area %5x%6")
                                                 .arg(preview.frameGeometry().x())
                                                 .arg(preview.frameGeometry().y())
                                                 .arg(preview.frameGeometry().width())
                                                 .arg(preview.frameGeometry().height())
                                                 .arg(work.width())
                                                 .arg(work.height())),
                                  5000);
        QVERIFY(preview.geometry().height() < work.height()); // the title bar takes its share
        QCOMPARE(preview.minimumSize(), preview.size());
        QTRY_VERIFY_WITH_TIMEOUT(!preview.isRendering(), 20000);

        QLabel* label = preview.pathLabel();
        const QRect onScreen(label->mapToGlobal(QPoint(0, 0)), label->size());
        QVERIFY(work.contains(onScreen));
        const QImage screen = ScreenShots::take(QStringLiteral("output_preview"));
        const int yellow = countPixels(
            screen, onScreen, [](QColor c) { return c.red() > 200 && c.green() > 200 && c.blue() < 80; });
        QVERIFY2(yellow > 20, "the path label is not drawn on the screen");
    }

    // Whole numbers typed with the keyboard into the number fields; the limits apply when the
    // edit ends (Enter, a click into another field), not on each key.
    void numbersTyped_data()
    {
        QTest::addColumn<int>("page"); // 0 text, 1 picture
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("finish"); // "enter", "click" or "" (still typing)
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("edge alpha 120")
            << 0 << QStringLiteral("edge_alpha") << QStringLiteral("120") << QStringLiteral("")
            << QStringLiteral("EdgeAlpha") << QStringLiteral("120") << QStringLiteral("120");
        QTest::newRow("edge alpha 50, Enter")
            << 0 << QStringLiteral("edge_alpha") << QStringLiteral("50") << QStringLiteral("enter")
            << QStringLiteral("EdgeAlpha") << QStringLiteral("100") << QStringLiteral("100");
        QTest::newRow("edge alpha 9, click away")
            << 0 << QStringLiteral("edge_alpha") << QStringLiteral("9") << QStringLiteral("click")
            << QStringLiteral("EdgeAlpha") << QStringLiteral("100") << QStringLiteral("100");
        QTest::newRow("shadow offset 15, Enter")
            << 0 << QStringLiteral("shadow_h") << QStringLiteral("15") << QStringLiteral("enter")
            << QStringLiteral("ShadowH") << QStringLiteral("10") << QStringLiteral("10");
        QTest::newRow("blur 8") << 0 << QStringLiteral("shadow_blur") << QStringLiteral("8")
                                << QStringLiteral("click") << QStringLiteral("ShadowBR")
                                << QStringLiteral("8") << QStringLiteral("8");
        QTest::newRow("shadow alpha 30")
            << 0 << QStringLiteral("shadow_alpha") << QStringLiteral("30") << QStringLiteral("enter")
            << QStringLiteral("ShadowAlpha") << QStringLiteral("30") << QStringLiteral("30");
        QTest::newRow("3D offset 120, click away")
            << 0 << QStringLiteral("td_offset") << QStringLiteral("120") << QStringLiteral("click")
            << QStringLiteral("TDTextOffset") << QStringLiteral("50") << QStringLiteral("50");
        QTest::newRow("text offset 250")
            << 0 << QStringLiteral("offset_h") << QStringLiteral("250") << QStringLiteral("enter")
            << QStringLiteral("OffsetH") << QStringLiteral("250") << QStringLiteral("250");
        QTest::newRow("text rotation 90")
            << 0 << QStringLiteral("rotation") << QStringLiteral("90") << QStringLiteral("click")
            << QStringLiteral("Rotation") << QStringLiteral("90") << QStringLiteral("90");
        // A minus typed over a positive value, in each signed field of both pages.
        QTest::newRow("text offset -30")
            << 0 << QStringLiteral("offset_h") << QStringLiteral("-30") << QStringLiteral("enter")
            << QStringLiteral("OffsetH") << QStringLiteral("-30") << QStringLiteral("-30");
        QTest::newRow("text offset -12, click away")
            << 0 << QStringLiteral("offset_v") << QStringLiteral("-12") << QStringLiteral("click")
            << QStringLiteral("OffsetV") << QStringLiteral("-12") << QStringLiteral("-12");
        QTest::newRow("text rotation -45")
            << 0 << QStringLiteral("rotation") << QStringLiteral("-45") << QStringLiteral("enter")
            << QStringLiteral("Rotation") << QStringLiteral("-45") << QStringLiteral("-45");
        QTest::newRow("shadow offset -2, click away")
            << 0 << QStringLiteral("shadow_h") << QStringLiteral("-2") << QStringLiteral("click")
            << QStringLiteral("ShadowH") << QStringLiteral("-2") << QStringLiteral("-2");
        QTest::newRow("shadow offset -3")
            << 0 << QStringLiteral("shadow_v") << QStringLiteral("-3") << QStringLiteral("enter")
            << QStringLiteral("ShadowV") << QStringLiteral("-3") << QStringLiteral("-3");
        QTest::newRow("picture offset -40")
            << 1 << QStringLiteral("offset_h") << QStringLiteral("-40") << QStringLiteral("click")
            << QStringLiteral("ImageOffsetH") << QStringLiteral("-40") << QStringLiteral("-40");
        QTest::newRow("picture offset -8")
            << 1 << QStringLiteral("offset_v") << QStringLiteral("-8") << QStringLiteral("enter")
            << QStringLiteral("ImageOffsetV") << QStringLiteral("-8") << QStringLiteral("-8");
        QTest::newRow("picture rotation -90")
            << 1 << QStringLiteral("rotation") << QStringLiteral("-90") << QStringLiteral("enter")
            << QStringLiteral("ImageRotation") << QStringLiteral("-90") << QStringLiteral("-90");
        QTest::newRow("picture offset 1200")
            << 1 << QStringLiteral("offset_v") << QStringLiteral("1200") << QStringLiteral("enter")
            << QStringLiteral("ImageOffsetV") << QStringLiteral("1200") << QStringLiteral("1200");
        QTest::newRow("picture rotation 270")
            << 1 << QStringLiteral("rotation") << QStringLiteral("270") << QStringLiteral("click")
            << QStringLiteral("ImageRotation") << QStringLiteral("270") << QStringLiteral("270");
        QTest::newRow("picture width 640")
            << 1 << QStringLiteral("width") << QStringLiteral("640") << QStringLiteral("enter")
            << QStringLiteral("ImageWidth") << QStringLiteral("640") << QStringLiteral("640");
        QTest::newRow("picture height 480")
            << 1 << QStringLiteral("height") << QStringLiteral("480") << QStringLiteral("click")
            << QStringLiteral("ImageHeight") << QStringLiteral("480") << QStringLiteral("480");
    }

    void numbersTyped()
    {
        QFETCH(int, page);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, finish);
        QFETCH(QString, element);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        EditorDataFolder data;
        CEditTemplateDlg editor(EditorDataFolder::settings());
        editor.tabControl()->setCurrentIndex(page);
        editor.show();
        QVERIFY(waitForFrame(&editor));
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        QWidget* pageWidget = page == 0 ? static_cast<QWidget*>(editor.textPage()) : editor.imagePage();
        auto* spin = findControl<SpinEdit>(pageWidget, field.toLatin1().constData());
        QLineEdit* edit = spin->edit();
        QTest::mouseClick(edit, Qt::LeftButton);
        QTRY_VERIFY(edit->hasFocus());
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        QCOMPARE(spin->text(), typed);
        if (finish == QLatin1String("enter")) {
            QTest::keyClick(edit, Qt::Key_Return);
        } else if (finish == QLatin1String("click")) {
            auto* other = findControl<SpinEdit>(pageWidget,
                                                field == QLatin1String("offset_h") ? "offset_v" : "offset_h");
            QTest::mouseClick(other->edit(), Qt::LeftButton);
            QTRY_VERIFY(!edit->hasFocus());
        }
        QVERIFY(editor.isVisible());
        QCOMPARE(spin->text(), shown);
        const QString section = page == 0 ? QStringLiteral("文本") : QStringLiteral("图像");
        QCOMPARE(storedElement(kLayer, section, element), stored);
    }

    // The editor maximised, with a photo of the main window's list chosen with PageDown: the
    // text is dragged with the mouse from the middle to near the bottom-right corner, which
    // gives Location 8 and the offsets of the drop, and lumora-batch puts the mark's ink on
    // that photo where the preview showed it (within 2 px). A typed value and the drag are
    // undone with Ctrl+Z, giving the layer file back byte for byte. Dragged partly off the
    // photo, the line under the preview names the layer (screenshots, 1x and 2x).
    void placeByHandOnOwnPhoto()
    {
        MainWindowFixture f;
        CLumoraDlg* main = f.open();
        const QString photoPath = f.photoFolder + QStringLiteral("/harbour.png");
        QImage photo(1200, 800, QImage::Format_RGB32);
        {
            QPainter painter(&photo);
            QLinearGradient sky(0, 0, 1200, 800);
            sky.setColorAt(0, QColor(30, 60, 90));
            sky.setColorAt(1, QColor(60, 110, 80));
            painter.fillRect(photo.rect(), sky);
        }
        QVERIFY(photo.save(photoPath));
        f.addPhotos({photoPath});

        CEditTemplateDlg editor(main->currentSettings(), main);
        editor.setPreviewPhotos(f.filePaths());
        editor.showMaximized();
        QVERIFY(waitForFrame(&editor));
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        QTRY_VERIFY_WITH_TIMEOUT(editor.isMaximized(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!editor.isRendering(), 20000);
        QTest::keyClick(&editor, Qt::Key_PageDown);
        QCOMPARE(editor.photoChooser()->chosenPhoto(), photoPath);
        QTRY_VERIFY_WITH_TIMEOUT(!editor.isRendering(), 20000);
        QCOMPARE(editor.previewSize(), QSize(1200, 800));
        EditorPreviewArea* area = editor.previewArea();
        QVERIFY(area->width() > 677); // the preview grew with the window
        QCOMPARE(area->selection().size(), 4);
        const QByteArray before = readFile(templateFilePath(kLayer));

        const QPointF centre = area->selection().boundingRect().center();
        const QPointF drop(1200 - 260, 800 - 160);
        const QPoint from = area->toWidget(centre).toPoint();
        const QPoint to = area->toWidget(drop).toPoint();
        const WatermarkConf start = EditorTest::storedConf(kLayer);
        QTest::mousePress(area, Qt::LeftButton, {}, from);
        for (int step = 1; step <= 8; ++step)
            QTest::mouseMove(area, from + (to - from) * step / 8);
        QTest::mouseRelease(area, Qt::LeftButton, {}, to);
        QTRY_VERIFY_WITH_TIMEOUT(!editor.isRendering(), 20000);
        const WatermarkConf dropped = EditorTest::storedConf(kLayer);
        QCOMPARE(dropped.Location, 8);
        const QPointF moved = LayerOutlines::text(dropped, QSize(1200, 800)).anchor -
                              LayerOutlines::text(start, QSize(1200, 800)).anchor;
        const QPointF wanted = area->toCanvas(to) - area->toCanvas(from);
        QVERIFY2(qAbs(moved.x() - wanted.x()) <= 1.5 && qAbs(moved.y() - wanted.y()) <= 1.5,
                 qPrintable(QStringLiteral("moved %1,%2 for %3,%4")
                                .arg(moved.x())
                                .arg(moved.y())
                                .arg(wanted.x())
                                .arg(wanted.y())));
        QCOMPARE(findControl<SpinEdit>(editor.textPage(), "offset_h")->text(),
                 QString::number(dropped.OffsetH));

        // The ink on the preview (drawn at the size shown) and in lumora-batch's output, each
        // against the photo at that size; the preview's box carried to the photo's pixels.
        auto inkBox = [](const QImage& stamped, const QImage& plain) {
            QRect box;
            const QImage shown = stamped.convertToFormat(QImage::Format_RGB32);
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x) {
                    const QRgb a = shown.pixel(x, y);
                    const QRgb b = plain.pixel(x, y);
                    if (qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b)) >
                        24)
                        box |= QRect(x, y, 1, 1);
                }
            return box;
        };
        const QImage shown = area->picture();
        const QImage plainShown = photo.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                      .convertToFormat(QImage::Format_RGB32);
        const QRect shownInk = inkBox(shown, plainShown);
        QVERIFY(!shownInk.isEmpty());
        const qreal k = 1200.0 / shown.width();
        const QRectF previewInk(shownInk.x() * k, shownInk.y() * k, shownInk.width() * k,
                                shownInk.height() * k);
        const QString output = f.root.path() + QStringLiteral("/run.png");
        const ToolResult run =
            runTool(QStringLiteral(LUMORA_BIN_DIR "/lumora-batch"),
                    {QStringLiteral("--data-dir"), f.dataFolder, QStringLiteral("--template"),
                     QStringLiteral("Demo 1"), QStringLiteral("--preview"), photoPath, output},
                    120);
        QVERIFY2(run.succeeded(), qPrintable(run.describe()));
        const QRectF runInk = inkBox(QImage(output), photo);
        // Within 2 px of the photo, and one pixel of the shown picture more where it is smaller.
        const qreal within = 2 + (k > 1 ? k : 0);
        QVERIFY2(qAbs(runInk.left() - previewInk.left()) <= within &&
                     qAbs(runInk.top() - previewInk.top()) <= within &&
                     qAbs(runInk.right() - previewInk.right()) <= within &&
                     qAbs(runInk.bottom() - previewInk.bottom()) <= within,
                 qPrintable(QStringLiteral("preview ink %1,%2 %3x%4, run ink %5,%6 %7x%8 (shown at 1:%9)")
                                .arg(previewInk.x())
                                .arg(previewInk.y())
                                .arg(previewInk.width())
                                .arg(previewInk.height())
                                .arg(runInk.x())
                                .arg(runInk.y())
                                .arg(runInk.width())
                                .arg(runInk.height())
                                .arg(k)));

        // A typed value, then Ctrl+Z twice with real keys: the file of before the drag.
        auto* offsetV = findControl<SpinEdit>(editor.textPage(), "offset_v");
        QTest::mouseClick(offsetV->edit(), Qt::LeftButton);
        QTRY_VERIFY(offsetV->edit()->hasFocus());
        offsetV->edit()->selectAll();
        QTest::keyClicks(offsetV->edit(), QStringLiteral("-120"));
        QTest::keyClick(offsetV->edit(), Qt::Key_Return);
        QCOMPARE(EditorTest::storedConf(kLayer).OffsetV, -120);
        QTest::keyClick(offsetV->edit(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(EditorTest::storedConf(kLayer).OffsetV, dropped.OffsetV);
        QTest::keyClick(offsetV->edit(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(readFile(templateFilePath(kLayer)), before);
        QTest::keyClick(offsetV->edit(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(EditorTest::storedConf(kLayer).Location, 8);

        // Partly off the photo: the notice names the layer.
        QTRY_VERIFY_WITH_TIMEOUT(!editor.isRendering(), 20000);
        const QPolygonF box = area->selection();
        const QPoint grip = area->toWidget(box.boundingRect().center()).toPoint();
        QTest::mousePress(area, Qt::LeftButton, {}, grip);
        QTest::mouseMove(area, grip + QPoint(area->width() / 6, 0));
        QTest::mouseRelease(area, Qt::LeftButton, {}, grip + QPoint(area->width() / 6, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!editor.isRendering(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(editor.outsideNotice()->text(),
                                  QStringLiteral("图层 \"%1\" 有一部分在照片外").arg(kLayer), 5000);
        const QStringList clipped = clippedTexts(&editor);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
        QVERIFY(!ScreenShots::take(QStringLiteral("editor_maximized_own_photo")).isNull());
    }

    // The clear button of the picture path: drawn while there is a path, lighter or darker
    // under the mouse, with a tooltip; nothing there without a path.
    void pathClearButton()
    {
        MainWindowFixture f;
        ScriptedChooser chooser;
        CLumoraDlg* main = f.open();
        CEditTemplateDlg editor(main->currentSettings(), main);
        editor.tabControl()->setCurrentIndex(1);
        editor.show();
        QVERIFY(waitForFrame(&editor));
        auto* path = findControl<CEditWithButton>(editor.imagePage(), "path_edit");
        const QRect button = path->buttonRect();

        path->setText(QString());
        const QImage empty = path->grab().toImage().copy(button);
        QImage picture(32, 32, QImage::Format_ARGB32);
        picture.fill(Qt::red);
        chooser.file = f.root.path() + QStringLiteral("/mark.png");
        QVERIFY(picture.save(chooser.file));
        QTest::mouseClick(findControl<QWidget>(editor.imagePage(), "browse_button"), Qt::LeftButton);
        QCOMPARE(path->text(), chooser.file);

        QTest::mouseMove(path, QPoint(2, 2));
        const QImage whole = path->grab().toImage();
        whole.save(ScreenShots::folder() + QStringLiteral("/path_clear_button_normal.png"));
        const QImage normal = whole.copy(button);
        // A mark (the cross) darker than the field where the button is.
        const int dark = countPixels(normal, normal.rect(), [](QColor c) { return c.lightness() < 140; });
        QVERIFY2(dark >= 6, qPrintable(QStringLiteral("%1 dark pixels in the clear button").arg(dark)));
        QVERIFY(normal != empty);

        QTest::mouseMove(path, button.center());
        QTRY_VERIFY(path->property("clearButtonHovered").toBool());
        const QImage hovered = path->grab().toImage().copy(button);
        QVERIFY(hovered != normal);
        path->grab().save(ScreenShots::folder() + QStringLiteral("/path_clear_button_hovered.png"));
        ScreenShots::take(QStringLiteral("path_clear_button"));

        QHelpEvent help(QEvent::ToolTip, button.center(), path->mapToGlobal(button.center()));
        QCoreApplication::sendEvent(path, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), CEditWithButton::tr("清除"));
        QToolTip::hideText();

        QTest::mouseClick(path, Qt::LeftButton, {}, button.center());
        QCOMPARE(path->text(), QString());
    }

    // Colours: the resizing note and the "图层：" labels blue, the editor pages white, the
    // disabled "浏览" of the preference window drawn as disabled; in windows opened over the
    // main window, whose skin styles their texts.
    void colours_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("resizing note blue") << "note";
        QTest::newRow("layer label blue, text page") << "layer0";
        QTest::newRow("layer label blue, picture page") << "layer1";
        QTest::newRow("text page white") << "white0";
        QTest::newRow("picture page white") << "white1";
        QTest::newRow("disabled browse button") << "browse";
        QTest::newRow("font name grey") << "grey0";
        QTest::newRow("picture path grey") << "grey1";
    }

    void colours()
    {
        QFETCH(QString, what);
        MainWindowFixture f;
        CLumoraDlg* main = f.open();
        if (what == QLatin1String("note")) {
            CImgResizingSettingDlg resizing(main);
            resizing.show();
            QVERIFY(waitForFrame(&resizing));
            QLabel* note = nullptr;
            for (QLabel* label : resizing.findChildren<QLabel*>())
                if (label->wordWrap())
                    note = label;
            QVERIFY(note);
            const QImage shot = note->grab().toImage();
            QVERIFY2(countPixels(shot, shot.rect(), isBlue) > 50, "the resizing note is not blue");
        } else if (what.startsWith(QLatin1String("grey"))) {
            ScriptedChooser chooser;
            CEditTemplateDlg editor(main->currentSettings(), main);
            const bool picture = what.endsWith(QLatin1Char('1'));
            editor.tabControl()->setCurrentIndex(picture ? 1 : 0);
            editor.show();
            QVERIFY(waitForFrame(&editor));
            if (picture) {
                chooser.file = f.makePhoto(QStringLiteral("mark.png"));
                QTest::mouseClick(findControl<QWidget>(editor.imagePage(), "browse_button"), Qt::LeftButton);
            }
            auto* field = findControl<QLineEdit>(editor.tabControl()->currentWidget(),
                                                 picture ? "path_edit" : "font_edit");
            QVERIFY(!field->text().isEmpty());
            const QImage shot = field->grab().toImage();
            const QRect text = field->rect().adjusted(4, 3, -30, -4);
            int darkest = 255;
            for (int y = text.top(); y <= text.bottom(); ++y)
                for (int x = text.left(); x <= text.right(); ++x)
                    darkest = qMin(darkest, qGray(shot.pixel(x, y)));
            // Grey (128, 128, 128) text: nothing darker, but drawn.
            QVERIFY2(darkest >= 110 && darkest <= 160, qPrintable(QString::number(darkest)));
        } else if (what.startsWith(QLatin1String("layer")) || what.startsWith(QLatin1String("white"))) {
            CEditTemplateDlg editor(main->currentSettings(), main);
            editor.tabControl()->setCurrentIndex(what.endsWith(QLatin1Char('1')) ? 1 : 0);
            editor.show();
            QVERIFY(waitForFrame(&editor));
            QWidget* page = editor.tabControl()->currentWidget();
            if (what.startsWith(QLatin1String("layer"))) {
                QLabel* layerLabel = nullptr;
                for (QLabel* label : page->findChildren<QLabel*>())
                    if (label->text() == QStringLiteral("图层："))
                        layerLabel = label;
                QVERIFY(layerLabel);
                const QImage label = layerLabel->grab().toImage();
                QVERIFY2(countPixels(label, label.rect(), isBlue) > 10, "the layer label is not blue");
            } else {
                const QImage shot = page->grab().toImage();
                // The page's empty bottom rows are white.
                const QRect bottom(0, shot.height() - 6, shot.width(), 4);
                QCOMPARE(countPixels(shot, bottom, [](QColor c) { return c == QColor(Qt::white); }),
                         bottom.width() * bottom.height());
            }
        } else {
            CPreferenceDlg preference(main);
            preference.show();
            QVERIFY(waitForFrame(&preference));
            QPushButton* browse = buttonWithText(&preference, QStringLiteral("浏览"));
            browse->setEnabled(true);
            const QImage enabled = browse->grab().toImage();
            browse->setEnabled(false);
            const QImage disabled = browse->grab().toImage();
            auto darkest = [](const QImage& image) {
                int lowest = 255;
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x)
                        lowest = qMin(lowest, qGray(image.pixel(x, y)));
                return lowest;
            };
            // The disabled text is clearly lighter than the enabled one.
            QVERIFY2(darkest(disabled) > darkest(enabled) + 40,
                     qPrintable(QStringLiteral("darkest pixel %1 disabled, %2 enabled")
                                    .arg(darkest(disabled))
                                    .arg(darkest(enabled))));
        }
    }

    // The real program started with photos on its command line ("Open with" of a file
    // manager) lists them, by the drop's rules: two photos, one given relative to the working
    // folder, and a text file that is left out. The list's rows are counted on the screen by
    // their status picture.
    void realProgramOpensPhotos()
    {
        if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2"))
            QSKIP("counted at 1x");
        QTemporaryDir root;
        const QString photos = root.filePath(QStringLiteral("photos"));
        QVERIFY(QDir().mkpath(photos));
        for (const char* name : {"first.jpg", "second.png"}) {
            QImage photo(64, 48, QImage::Format_RGB32);
            photo.fill(Qt::darkGreen);
            QVERIFY(photo.save(photos + QLatin1Char('/') + QLatin1String(name)));
        }
        QFile notes(photos + QStringLiteral("/notes.txt"));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.close();

        // A home of its own, where the quick start is not shown at start.
        const QString home = root.filePath(QStringLiteral("home"));
        QVERIFY(writeFileMakingFolder(
            isolatedDataFolder(home) + QStringLiteral("/preference.xml"),
            FirstStartFiles::preferenceFile(QStringLiteral("0"), home + QStringLiteral("/Documents"))));

        QProcess program;
        QProcessEnvironment environment = isolatedEnvironment(home);
        // The update check at start is refused at once, so the program stops promptly at the end.
        environment.insert(QStringLiteral("LUMORA_UPDATE_URL"),
                           QStringLiteral("http://127.0.0.1:1/version.txt"));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(photos);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(LUMORA_BIN_DIR "/lumora-plenum"),
                      {photos + QStringLiteral("/first.jpg"), QStringLiteral("second.png"),
                       QStringLiteral("notes.txt")});
        QVERIFY(program.waitForStarted(10000));
        const auto stop = qScopeGuard([&program]() {
            program.terminate();
            if (!program.waitForFinished(10000))
                program.kill();
            program.waitForFinished(5000);
        });

        const QImage mark = QImage(QStringLiteral(LUMORA_BIN_DIR "/skin/default/ready.png"));
        QVERIFY(!mark.isNull());
        int rows = 0;
        QImage screen;
        for (int attempt = 0; attempt < 40 && rows < 2; ++attempt) {
            QTest::qWait(250);
            QVERIFY2(program.state() == QProcess::Running, program.readAll().constData());
            screen = ScreenShots::take(QStringLiteral("open_with_two_photos"));
            rows = countMarks(screen, mark);
        }
        QTest::qWait(500);
        screen = ScreenShots::take(QStringLiteral("open_with_two_photos"));
        QCOMPARE(countMarks(screen, mark), 2);
        QVERIFY2(program.state() == QProcess::Running, program.readAll().constData());
    }

    // Every window once, as the program opens it (over the main window), on the screen.
    void screenshots()
    {
        MainWindowFixture f;
        CLumoraDlg* main = f.open();
        f.addPhotos({f.makePhoto(QStringLiteral("beach.png")), f.makePhoto(QStringLiteral("harbour.jpg"))});
        QVERIFY(waitForFrame(main) || main->isVisible());
        showAndShoot(main, QStringLiteral("main_window"));
        {
            CEditTemplateDlg editor(main->currentSettings(), main);
            showAndShoot(&editor, QStringLiteral("editor_text_page"));
            editor.tabControl()->setCurrentIndex(1);
            showAndShoot(&editor, QStringLiteral("editor_picture_page"));
        }
        {
            CImgResizingSettingDlg resizing(main);
            showAndShoot(&resizing, QStringLiteral("resizing"));
        }
        {
            CPreferenceDlg preference(main);
            showAndShoot(&preference, QStringLiteral("preference"));
        }
        {
            CAboutDlg about(main);
            showAndShoot(&about, QStringLiteral("about_classic"));
        }
        {
            CAboutDlgUI about(main);
            QVERIFY(about.Create());
            about.CenterWindow();
            showAndShoot(&about, QStringLiteral("about"));
        }
        {
            CQuickStartDlgUI quickStart(main);
            QVERIFY(quickStart.Create());
            quickStart.CenterWindow();
            showAndShoot(&quickStart, QStringLiteral("quick_start"));
        }
        {
            QString name;
            CAddNewTempDlg naming(CLumoraDlg::tr("新建模板"), name, main);
            showAndShoot(&naming, QStringLiteral("naming_template"));
        }
        {
            CAddNewLayerDlg naming(CTextEditTempDlg::tr("添加新图层"), {kLayer}, main);
            showAndShoot(&naming, QStringLiteral("naming_layer"));
        }
        {
            COutputPreviewDlg preview({[main]() { return main->ui()->CurrentPhotoPath(); }, {}, {}},
                                      main->currentSettings(), main);
            showAndShoot(&preview, QStringLiteral("output_preview_window"));
        }
    }
};

QTEST_MAIN(RealWindowsTest)
#include "tst_RealWindows.moc"
