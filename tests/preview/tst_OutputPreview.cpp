#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "model/DataFiles.h"
#include "model/LayerFiles.h"
#include "model/OutputQuality.h"
#include "model/OutputSettings.h"
#include "model/ResizeSettings.h"
#include "model/SelectedTemplate.h"
#include "model/TemplateStore.h"
#include "model/WatermarkConf.h"
#include "model/WatermarkTemplate.h"
#include "services/folders/FolderTree.h"
#include "services/skin/SkinList.h"
#include "services/skin/SkinResources.h"
#include "support/ModalCatcher.h"
#include "support/PixelDifference.h"
#include "support/TempDataFolder.h"
#include "support/WindowValues.h"
#include "ui/controls/CHoverButton.h"
#include "ui/preview/COutputPreviewDlg.h"
#include "ui/preview/PreviewCache.h"
#include "ui/skin/CMainDlgUI.h"

namespace {

// The main window's skinned surface with its file list, as the preview steps through it.
class MainSurface
{
public:
    MainSurface()
    {
        SkinResources::setInstancePath(QStringLiteral(LUMORA_SOURCE_DIR));
        SkinResources::SetResourcePath(QStringLiteral(LUMORA_SOURCE_DIR "/skin/en"));
        ok = ui.InitSkin(&window);
    }

    COutputPreviewDlg::PhotoList photoList()
    {
        return {[this]() { return ui.CurrentPhotoPath(); },
                [this]() { return ui.SelectNextPhoto(); },
                [this]() { return ui.SelectPreviousPhoto(); },
                [this]() { return int(ui.filePaths().size()); },
                [this]() { return ui.selectedFileRow(); },
                [this](int row) {
                    ui.SelectFileRow(row);
                    return ui.filePaths().value(row);
                },
                [this](int row) { return ui.filePaths().value(row); }};
    }
    int selectedRow() const { return ui.selectedFileRow(); }

    QWidget window;
    CMainDlgUI ui;
    bool ok = false;
};

// A photo of one colour (PNG keeps it exact).
QString solidPhoto(const QString& path, const QSize& size, QColor colour)
{
    QDir().mkpath(QFileInfo(path).path());
    QImage photo(size, QImage::Format_RGB32);
    photo.fill(colour);
    return photo.save(path, "PNG") ? path : QString();
}

// A template whose one layer draws nothing (a blank text), so that a photo stays as it is.
bool selectBlankTemplate()
{
    if (!AddTemplate(QStringLiteral("Blank")))
        return false;
    WatermarkTemplate tmpl;
    WatermarkConf conf;
    if (!loadWatermarkTemplate(QStringLiteral("Blank"), tmpl) || tmpl.layers.isEmpty() ||
        !LoadLayerConf(tmpl.layers.first(), conf))
        return false;
    conf.textContent = QStringLiteral(" ");
    windowValues().templateName = QStringLiteral("Blank");
    return SaveLayerConf(tmpl.layers.first(), conf);
}

QString writePhoto(const QString& path, const QSize& size)
{
    QDir().mkpath(QFileInfo(path).path());
    QImage photo(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            photo.setPixel(x, y, qRgb(40 + x * 150 / size.width(), 90, 60 + y * 150 / size.height()));
    return photo.save(path, "JPG", 95) ? path : QString();
}

bool waitShown(COutputPreviewDlg& preview, QSignalSpy& spy, int count = 1)
{
    while (spy.count() < count) {
        if (!spy.wait(30000))
            return false;
    }
    return !preview.isRendering();
}

} // namespace

class OutputPreviewTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempDataFolder> m_folder;
    QStringList m_photos;

private slots:
    void init()
    {
        m_folder = std::make_unique<TempDataFolder>();
        QVERIFY(CreateDefaultPreferences());
        QVERIFY(CreateDefaultTemplates());
        windowValues().templateName = QStringLiteral("Demo 1");
        windowValues().resizePictures = false;
        windowValues().resize = {0, 800, 600, 0};
        m_photos.clear();
        for (const char* name : {"first.jpg", "second.jpg", "third.jpg"})
            m_photos << writePhoto(m_folder->root() + QStringLiteral("/photos/") + QLatin1String(name),
                                   QSize(400, 300));
    }
    void cleanup() { m_folder.reset(); }

    void openingWithoutSelectionShowsTheFirstPhoto()
    {
        MainSurface surface;
        QVERIFY(surface.ok);
        for (const QString& photo : m_photos)
            surface.ui.AddFileItem(photo);
        QCOMPARE(surface.selectedRow(), -1);

        COutputPreviewDlg preview(surface.photoList(), windowValues());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        QCOMPARE(preview.windowTitle(), QStringLiteral("输出预览"));
        QCOMPARE(surface.selectedRow(), 0);
        QCOMPARE(preview.pathLabel()->text(), m_photos[0]);
        // The render runs on a worker: the window is back before it ends, with a busy cursor.
        QVERIFY(preview.isRendering());
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
        QVERIFY(waitShown(preview, shown));
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(shown.first().first().toString(), m_photos[0]);
        QCOMPARE(preview.picture().previewPath, PreviewCache::pathFor(m_photos[0]));
        QVERIFY(preview.picture().composed);
        // The cache file is written after the picture is shown.
        QTRY_VERIFY_WITH_TIMEOUT(!preview.isWritingCache(), 30000);
        QVERIFY(QFileInfo::exists(preview.picture().previewPath));
        QCOMPARE(preview.picture().display.size(), QSize(400, 300));
        QCOMPARE(preview.minimumSize(), preview.size());
    }

    void steppingThroughTheListAndItsEnds()
    {
        MainSurface surface;
        QVERIFY(surface.ok);
        for (const QString& photo : m_photos)
            surface.ui.AddFileItem(photo);
        surface.ui.SelectFileRow(1);

        COutputPreviewDlg preview(surface.photoList(), windowValues());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        QVERIFY(waitShown(preview, shown, 1));
        QCOMPARE(preview.picture().photoPath, m_photos[1]);
        QCOMPARE(preview.counterLabel()->text(), QStringLiteral("2 / 3 — second.jpg"));
        // The next photo is rendered ahead, not shown.
        QTRY_VERIFY_WITH_TIMEOUT(!preview.isWorking(), 30000);
        QCOMPARE(preview.readyPhotos(), QStringList({m_photos[1], m_photos[2]}));
        QCOMPARE(shown.count(), 1);
        QCOMPARE(surface.selectedRow(), 1);

        ModalCatcher catcher;
        QTest::mouseClick(preview.nextButton(), Qt::LeftButton);
        // Ready: shown at once, without a render.
        QCOMPARE(shown.count(), 2);
        QVERIFY(!preview.isRendering());
        QCOMPARE(preview.pathLabel()->text(), m_photos[2]);
        QCOMPARE(preview.picture().photoPath, m_photos[2]);
        QCOMPARE(preview.counterLabel()->text(), QStringLiteral("3 / 3 — third.jpg"));

        // At the end the next button is disabled; neither it nor the keys do anything.
        QVERIFY(!preview.nextButton()->isEnabled());
        QVERIFY(preview.previousButton()->isEnabled());
        QTest::mouseClick(preview.nextButton(), Qt::LeftButton);
        QTest::keyClick(&preview, Qt::Key_Right);
        QVERIFY(catcher.texts.isEmpty());
        QCOMPARE(preview.picture().photoPath, m_photos[2]);
        QCOMPARE(surface.selectedRow(), 2);

        QTest::mouseClick(preview.previousButton(), Qt::LeftButton); // ready: the photo before
        QCOMPARE(shown.count(), 3);
        QTest::mouseClick(preview.previousButton(), Qt::LeftButton); // rendered
        QVERIFY(preview.isRendering());
        QVERIFY(preview.picture().display.isNull()); // the busy indicator, not the photo before
        QVERIFY(waitShown(preview, shown, 4));
        QCOMPARE(preview.picture().photoPath, m_photos[0]);
        QCOMPARE(preview.pathLabel()->text(), m_photos[0]);
        QVERIFY(!preview.previousButton()->isEnabled());
        QTest::keyClick(&preview, Qt::Key_Left);
        QVERIFY(catcher.texts.isEmpty());
        QCOMPARE(surface.selectedRow(), 0);
        // End and Home go to the ends.
        QTest::keyClick(&preview, Qt::Key_End);
        QVERIFY(waitShown(preview, shown, 5));
        QCOMPARE(preview.picture().photoPath, m_photos[2]);
        QTest::keyClick(&preview, Qt::Key_Home);
        QVERIFY(waitShown(preview, shown, 6));
        QCOMPARE(surface.selectedRow(), 0);
    }

    // Without the list's place (the three stepping operations only) the buttons stay usable and
    // the ends are told by a message.
    void endsOfAListWithoutPlaces()
    {
        MainSurface surface;
        QVERIFY(surface.ok);
        for (const QString& photo : m_photos)
            surface.ui.AddFileItem(photo);
        COutputPreviewDlg::PhotoList list = surface.photoList();
        list.photoCount = {};
        list.currentIndex = {};
        list.selectPhotoAt = {};
        list.photoAt = {};
        COutputPreviewDlg preview(list, windowValues());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        QVERIFY(waitShown(preview, shown, 1));
        QCOMPARE(preview.counterLabel()->text(), QStringLiteral("first.jpg"));
        QVERIFY(preview.previousButton()->isEnabled());
        ModalCatcher catcher;
        QTest::mouseClick(preview.previousButton(), Qt::LeftButton);
        QCOMPARE(catcher.texts, QStringList{QStringLiteral("This is the first one.")});
        QCOMPARE(catcher.titles.value(0), QStringLiteral("Lumora Plenum"));
        QVERIFY(!preview.isWorking()); // nothing rendered ahead without the list's places
    }

    void emptyListShowsNothing()
    {
        MainSurface surface;
        QVERIFY(surface.ok);
        COutputPreviewDlg preview(surface.photoList(), windowValues());
        QVERIFY(!preview.isRendering());
        QVERIFY(preview.pathLabel()->text().isEmpty());
        QVERIFY(preview.displayRect().isNull());
        QVERIFY(!QFileInfo::exists(PreviewCacheFolder()));
    }

    // A cache file is used again only for the render it was made by: a change of the
    // template or of the resize settings renders the photo afresh, at the output size.
    void cacheServesOnlyTheSameRender()
    {
        MainSurface surface;
        QVERIFY(surface.ok);
        surface.ui.AddFileItem(m_photos[0]);
        const auto open = [&surface](bool composed) {
            auto preview = std::make_unique<COutputPreviewDlg>(surface.photoList(), windowValues());
            QSignalSpy shown(preview.get(), &COutputPreviewDlg::previewShown);
            if (!waitShown(*preview, shown) || preview->picture().composed != composed)
                return QImage();
            return preview->picture().display;
        };
        const QImage first = open(true);
        QVERIFY(!first.isNull());
        QCOMPARE(open(false), first); // nothing changed: the cache file

        QVERIFY(selectBlankTemplate());
        const QImage blank = open(true);
        QCOMPARE(blank.size(), first.size());
        QVERIFY(blank != first); // drawn without the old watermark

        QVERIFY(writeResizeSettings(1, QStringLiteral("200"), QStringLiteral("600"), 0));
        windowValues().resizePictures = true;
        windowValues().resize = readResizeSettings();
        QCOMPARE(open(true).size(), QSize(200, 150));
        QCOMPARE(open(false).size(), QSize(200, 150));
    }

    // The render at the output size, fitted into the picture area.
    void fittingInTheWindow_data()
    {
        QTest::addColumn<QSize>("photo");
        QTest::addColumn<bool>("resizeToWidth800");
        QTest::addColumn<QSize>("display");
        QTest::addColumn<QRect>("drawn");
        // The window is sized so that its picture area is 1000 x 600 at top 39.
        QTest::newRow("wide") << QSize(4000, 1000) << false << QSize(4000, 1000) << QRect(0, 214, 1000, 250);
        QTest::newRow("tall") << QSize(1000, 4000) << false << QSize(1000, 4000) << QRect(425, 39, 150, 600);
        QTest::newRow("small") << QSize(200, 100) << false << QSize(200, 100) << QRect(400, 289, 200, 100);
        QTest::newRow("resized to width 800")
            << QSize(4000, 3000) << true << QSize(800, 600) << QRect(100, 39, 800, 600);
        QTest::newRow("small photo resized up to width 800")
            << QSize(400, 100) << true << QSize(800, 200) << QRect(100, 239, 800, 200);
    }

    void fittingInTheWindow()
    {
        QFETCH(QSize, photo);
        QFETCH(bool, resizeToWidth800);
        if (resizeToWidth800) {
            QVERIFY(writeResizeSettings(1, QStringLiteral("800"), QStringLiteral("600"), 0));
            windowValues().resizePictures = true;
            windowValues().resize =
                readResizeSettings(); // as the main window does before opening the preview
        }
        QVERIFY(selectBlankTemplate());
        const QString path =
            solidPhoto(m_folder->root() + QStringLiteral("/photos/solid.png"), photo, QColor(200, 30, 30));
        QVERIFY(!path.isEmpty());
        MainSurface surface;
        QVERIFY(surface.ok);
        surface.ui.AddFileItem(path);

        COutputPreviewDlg preview(surface.photoList(), windowValues());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        preview.setMinimumSize(0, 0);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        preview.resize(1000, 665);
        QTRY_COMPARE(preview.pictureArea(), QRect(0, 39, 1000, 600));
        QVERIFY(waitShown(preview, shown));
        QTEST(preview.picture().renderedSize, "display");
        QTEST(preview.picture().display.size(), "display");
        QTEST(preview.displayRect(), "drawn");

        // Painted: white around the picture, the picture inside, dark grey bands.
        const QImage shot = preview.grab().toImage();
        const QRect drawn = preview.displayRect();
        QCOMPARE(QColor(shot.pixel(drawn.center())), QColor(200, 30, 30));
        QCOMPARE(QColor(shot.pixel(5, 20)), QColor(81, 81, 81));
        QCOMPARE(QColor(shot.pixel(5, 665 - 3)), QColor(81, 81, 81));
        if (drawn.left() > 0)
            QCOMPARE(QColor(shot.pixel(drawn.left() - 2, drawn.center().y())), QColor(Qt::white));
        if (drawn.top() > 39)
            QCOMPARE(QColor(shot.pixel(drawn.center().x(), drawn.top() - 2)), QColor(Qt::white));
    }

    // A target of 0 is refused by the preview as the run refuses it, with the reason.
    void zeroTargetIsRefusedAsByTheRun()
    {
        QVERIFY(writeResizeSettings(1, QString(), QStringLiteral("600"), 1));
        windowValues().resize = readResizeSettings();
        MainSurface surface;
        QVERIFY(surface.ok);
        surface.ui.AddFileItem(m_photos[0]);
        COutputPreviewDlg preview(surface.photoList(), windowValues());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        QVERIFY(waitShown(preview, shown));
        QVERIFY(preview.picture().display.isNull());
        QVERIFY2(preview.picture().error.contains(QStringLiteral("resize settings")),
                 qPrintable(preview.picture().error));
    }

    // "Show as written" shows the output decoded from the bytes its format and quality give: a low
    // JPEG or WebP quality shows, a lossless format shows the render as it is.
    void showAsWrittenDecodesTheOutputBytes_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("quality"); // JPEG and WebP
        QTest::addColumn<double>("least");
        QTest::addColumn<double>("most");
        QTest::newRow("JPEG quality 5") << int(OutputSettings::Jpeg) << 5 << 3.0 << 100.0;
        QTest::newRow("WebP quality 5") << int(OutputSettings::Webp) << 5 << 3.0 << 100.0;
        QTest::newRow("JPEG quality 100, 4:4:4") << int(OutputSettings::Jpeg) << 100 << 0.0 << 1.5;
        QTest::newRow("PNG") << int(OutputSettings::Png) << 5 << 0.0 << 0.0;
    }
    void showAsWrittenDecodesTheOutputBytes()
    {
        QFETCH(int, format);
        QFETCH(int, quality);
        OutputSettings settings = defaultOutputSettings();
        settings.OutputFormat = format;
        QVERIFY(writePreferencesFile(settings));
        // As an earlier session left config.ini: read when the preview renders.
        QVERIFY(TempDataFolder::write(
            configIniPath(),
            "[\xe5\xb8\xb8\xe8\xa7\x84]\r\nOutputJpegQuality=" + QByteArray::number(quality) +
                "\r\nOutputWebpQuality=" + QByteArray::number(quality) +
                "\r\nOutputJpegSampling=" + (quality == 100 ? "2" : "0") + "\r\n"));
        // A photo of fine detail, which a low quality cannot keep, stamped with nothing.
        QImage detail(320, 240, QImage::Format_RGB32);
        for (int y = 0; y < detail.height(); ++y)
            for (int x = 0; x < detail.width(); ++x)
                detail.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, ((x ^ y) * 5) % 256));
        const QString photo = m_folder->root() + QStringLiteral("/photos/detail.png");
        QVERIFY(detail.save(photo, "PNG"));
        QVERIFY(selectBlankTemplate());
        MainSurface surface;
        QVERIFY(surface.ok);
        surface.ui.AddFileItem(photo);
        COutputPreviewDlg preview(surface.photoList(), windowValues());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        QVERIFY(waitShown(preview, shown));
        QVERIFY(!preview.picture().asWritten);
        const QImage rendered = preview.picture().display;
        QCOMPARE(PixelDifference::mean(rendered, detail), 0.0);

        preview.asWrittenBox()->setChecked(true);
        QVERIFY(waitShown(preview, shown, 2));
        QVERIFY(preview.picture().asWritten);
        QCOMPARE(preview.picture().display.size(), rendered.size());
        const double difference = PixelDifference::mean(preview.picture().display, rendered);
        QFETCH(double, least);
        QFETCH(double, most);
        QVERIFY2(difference >= least && difference <= most, qPrintable(QString::number(difference)));
    }

    void unreadablePhotoShowsNoPictureAndNoMessage()
    {
        const QString broken = m_folder->root() + QStringLiteral("/photos/broken.jpg");
        QVERIFY(TempDataFolder::write(broken, "not a picture"));
        MainSurface surface;
        QVERIFY(surface.ok);
        surface.ui.AddFileItem(broken);
        ModalCatcher catcher;
        COutputPreviewDlg preview(surface.photoList(), windowValues());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        QVERIFY(waitShown(preview, shown));
        QVERIFY(preview.picture().display.isNull());
        QVERIFY(!preview.picture().error.isEmpty());
        QVERIFY(preview.displayRect().isNull());
        QVERIFY(!QFileInfo::exists(PreviewCache::pathFor(broken)));
        QVERIFY(catcher.texts.isEmpty());
    }

    // A layer that lies partly outside the photo is named in a line along the picture's
    // bottom edge; the photo's own size decides (the same layer fits a larger photo).
    void layerOutsideThePhotoIsNamed_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("outside");
        QTest::newRow("centred, fits") << QSize(400, 300) << 0 << false;
        QTest::newRow("pushed right off a small photo") << QSize(400, 300) << 300 << true;
        QTest::newRow("the same on a large photo") << QSize(2400, 1600) << 300 << false;
    }

    void layerOutsideThePhotoIsNamed()
    {
        QFETCH(QSize, size);
        QFETCH(int, offset);
        QFETCH(bool, outside);
        const QString layer = QStringLiteral("Demo 1_Layer 1");
        WatermarkConf conf;
        QVERIFY(LoadLayerConf(layer, conf));
        conf.Rotation = 0;
        conf.OffsetH = offset;
        QVERIFY(StoreEditConf(layer, conf));
        MainSurface surface;
        QVERIFY(surface.ok);
        surface.ui.AddFileItem(writePhoto(m_folder->root() + QStringLiteral("/photos/sized.jpg"), size));
        COutputPreviewDlg preview(surface.photoList(), windowValues());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        preview.show();
        QVERIFY(waitShown(preview, shown));
        QCOMPARE(preview.outsideNotice(),
                 outside ? QStringLiteral("图层 \"%1\" 有一部分在照片外").arg(layer) : QString());
        if (outside)
            QVERIFY(preview.grab().save(
                QStringLiteral(LUMORA_BUILD_DIR "/screenshots/output_preview_outside.png")));
    }

    void screenshot()
    {
        MainSurface surface;
        QVERIFY(surface.ok);
        const QString photo =
            writePhoto(m_folder->root() + QStringLiteral("/photos/地平线 sunset.jpg"), QSize(1600, 1000));
        QVERIFY(!photo.isEmpty());
        surface.ui.AddFileItem(photo);
        COutputPreviewDlg preview(surface.photoList(), windowValues());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QVERIFY(waitShown(preview, shown));
        QVERIFY(preview.grab().save(QStringLiteral(LUMORA_BUILD_DIR "/screenshots/output_preview.png")));
    }
};

QTEST_MAIN(OutputPreviewTest)
#include "tst_OutputPreview.moc"
