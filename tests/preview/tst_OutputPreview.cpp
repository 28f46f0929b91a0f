#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "model/OutputQuality.h"
#include "model/OutputSettings.h"
#include "model/ResizeSettings.h"
#include "model/SelectedTemplate.h"
#include "model/TemplateStore.h"
#include "services/folders/FolderTree.h"
#include "services/skin/SkinList.h"
#include "services/skin/SkinResources.h"
#include "support/ModalCatcher.h"
#include "support/TempDataFolder.h"
#include "ui/controls/CHoverButton.h"
#include "ui/preview/COutputPreviewDlg.h"
#include "ui/preview/PreviewCache.h"
#include "ui/skin/CMainDlgUI.h"
#include "ui/skin/MainDlgOwner.h"

namespace {

class NoOwner : public MainDlgOwner
{
public:
    void showMainMenu(const QPoint&) override {}
    void previewPhoto() override {}
    void startBatch() override {}
    void onCommand(int) override {}
};

// The main window's skinned surface with its file list, as the preview steps through it.
class MainSurface
{
public:
    MainSurface()
    {
        SkinResources::setInstancePath(QStringLiteral(LUMORA_SOURCE_DIR));
        SkinResources::SetResourcePath(QStringLiteral(LUMORA_SOURCE_DIR "/skin/en"));
        ok = ui.InitSkin(&window, &owner);
    }

    COutputPreviewDlg::PhotoList photoList()
    {
        return {[this]() { return ui.CurrentPhotoPath(); }, [this]() { return ui.SelectNextPhoto(); },
                [this]() { return ui.SelectPreviousPhoto(); }};
    }
    int selectedRow() const { return ui.selectedFileRow(); }

    QWidget window;
    NoOwner owner;
    CMainDlgUI ui;
    bool ok = false;
};

QImage solid(const QSize& size, QColor colour)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
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

// Puts a picture where the preview looks for the photo's cached render.
bool seedCache(const QString& photo, const QImage& picture)
{
    const QString cached = PreviewCache::pathFor(photo);
    QDir().mkpath(QFileInfo(cached).path());
    return picture.save(cached, "PNG");
}

bool waitShown(COutputPreviewDlg& preview, QSignalSpy& spy, int count = 1)
{
    while (spy.count() < count) {
        if (!spy.wait(30000))
            return false;
    }
    return !preview.isRendering();
}

// The mean difference per channel between two pictures of one size.
double meanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * x.width() * x.height());
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
        setSelectedTemplateName(QStringLiteral("Demo 1"));
        setResizePictures(false);
        setResizeSettings({0, 800, 600, 0});
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

        COutputPreviewDlg preview(surface.photoList());
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
        QCOMPARE(preview.Picture().previewPath, PreviewCache::pathFor(m_photos[0]));
        QVERIFY(preview.Picture().composed);
        QVERIFY(QFileInfo::exists(preview.Picture().previewPath));
        QCOMPARE(preview.Picture().display.size(), QSize(400, 300));
        QCOMPARE(preview.minimumSize(), preview.size());
    }

    void steppingThroughTheListAndItsEnds()
    {
        MainSurface surface;
        QVERIFY(surface.ok);
        for (const QString& photo : m_photos)
            surface.ui.AddFileItem(photo);
        surface.ui.SelectFileRow(1);

        COutputPreviewDlg preview(surface.photoList());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        QVERIFY(waitShown(preview, shown, 1));
        QCOMPARE(preview.Picture().photoPath, m_photos[1]);

        ModalCatcher catcher;
        QTest::mouseClick(preview.NextButton(), Qt::LeftButton);
        QVERIFY(waitShown(preview, shown, 2));
        QCOMPARE(preview.pathLabel()->text(), m_photos[2]);
        QCOMPARE(preview.Picture().photoPath, m_photos[2]);
        QVERIFY(catcher.texts.isEmpty());

        // At the end: a message, and everything stays as it is.
        QTest::mouseClick(preview.NextButton(), Qt::LeftButton);
        QCOMPARE(catcher.texts, QStringList{QStringLiteral("This is the last one.")});
        QCOMPARE(catcher.icons.value(0), QMessageBox::Information);
        QCOMPARE(catcher.titles.value(0), QStringLiteral("Lumora Plenum"));
        QVERIFY(!preview.isRendering());
        QCOMPARE(preview.Picture().photoPath, m_photos[2]);
        QCOMPARE(surface.selectedRow(), 2);

        QTest::mouseClick(preview.previousButton(), Qt::LeftButton);
        QTest::mouseClick(preview.previousButton(), Qt::LeftButton); // requested while rendering
        QVERIFY(waitShown(preview, shown, 3));
        QCOMPARE(preview.Picture().photoPath, m_photos[0]);
        QCOMPARE(preview.pathLabel()->text(), m_photos[0]);

        QTest::mouseClick(preview.previousButton(), Qt::LeftButton);
        QCOMPARE(catcher.texts.value(1), QStringLiteral("This is the first one."));
        QCOMPARE(surface.selectedRow(), 0);
        QCOMPARE(shown.count(), 3);
    }

    void emptyListShowsNothing()
    {
        MainSurface surface;
        QVERIFY(surface.ok);
        COutputPreviewDlg preview(surface.photoList());
        QVERIFY(!preview.isRendering());
        QVERIFY(preview.pathLabel()->text().isEmpty());
        QVERIFY(preview.displayRect().isNull());
        QVERIFY(!QFileInfo::exists(PreviewCacheFolder()));
    }

    void cachedFileIsReusedUntilTheCacheIsRemoved()
    {
        MainSurface surface;
        QVERIFY(surface.ok);
        surface.ui.AddFileItem(m_photos[0]);

        QImage firstRender;
        {
            COutputPreviewDlg preview(surface.photoList());
            QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
            QVERIFY(waitShown(preview, shown));
            QVERIFY(preview.Picture().composed);
            firstRender = preview.Picture().display;
        }

        // Another template: a cached preview still shows the old one.
        QVERIFY(AddTemplate(QStringLiteral("Plain")));
        setSelectedTemplateName(QStringLiteral("Plain"));
        {
            COutputPreviewDlg preview(surface.photoList());
            QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
            QVERIFY(waitShown(preview, shown));
            QVERIFY(!preview.Picture().composed);
            QCOMPARE(preview.Picture().display, firstRender);
        }

        RemovePreviewCache();
        {
            COutputPreviewDlg preview(surface.photoList());
            QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
            QVERIFY(waitShown(preview, shown));
            QVERIFY(preview.Picture().composed);
            QCOMPARE(preview.Picture().display.size(), firstRender.size());
            QVERIFY(preview.Picture().display != firstRender); // drawn without the old watermark
        }
    }

    // A picture in the cache is shown as it is, redrawn at the output size, fitted into
    // the picture area.
    void fittingInTheWindow_data()
    {
        QTest::addColumn<QSize>("cached");
        QTest::addColumn<bool>("resizeToWidth800");
        QTest::addColumn<QSize>("display");
        QTest::addColumn<QRect>("drawn");
        // The window is sized so that its picture area is 1000 x 600 at top 39.
        QTest::newRow("wide") << QSize(4000, 1000) << false << QSize(4000, 1000) << QRect(0, 214, 1000, 250);
        QTest::newRow("tall") << QSize(1000, 4000) << false << QSize(1000, 4000) << QRect(425, 39, 150, 600);
        QTest::newRow("small") << QSize(200, 100) << false << QSize(200, 100) << QRect(400, 289, 200, 100);
        QTest::newRow("resized to width 800 first")
            << QSize(4000, 3000) << true << QSize(800, 600) << QRect(100, 39, 800, 600);
        QTest::newRow("small picture resized up to width 800")
            << QSize(400, 100) << true << QSize(800, 200) << QRect(100, 239, 800, 200);
    }

    void fittingInTheWindow()
    {
        QFETCH(QSize, cached);
        QFETCH(bool, resizeToWidth800);
        if (resizeToWidth800) {
            QVERIFY(writeResizeSettings(1, QStringLiteral("800"), QStringLiteral("600"), 0));
            setResizePictures(true);
            LoadResizeSettings(); // as the main window does before opening the preview
        }
        MainSurface surface;
        QVERIFY(surface.ok);
        surface.ui.AddFileItem(m_photos[0]);
        QVERIFY(seedCache(m_photos[0], solid(cached, QColor(200, 30, 30))));

        COutputPreviewDlg preview(surface.photoList());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        preview.setMinimumSize(0, 0);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        preview.resize(1000, 665);
        QTRY_COMPARE(preview.pictureArea(), QRect(0, 39, 1000, 600));
        QVERIFY(waitShown(preview, shown));
        QVERIFY(!preview.Picture().composed);
        QCOMPARE(preview.Picture().renderedSize, cached);
        QTEST(preview.Picture().display.size(), "display");
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

    void zeroTargetKeepsThePictureSize()
    {
        QVERIFY(writeResizeSettings(1, QString(), QStringLiteral("600"), 1));
        LoadResizeSettings();
        MainSurface surface;
        QVERIFY(surface.ok);
        surface.ui.AddFileItem(m_photos[0]);
        QVERIFY(seedCache(m_photos[0], solid(QSize(640, 480), Qt::blue)));
        COutputPreviewDlg preview(surface.photoList());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        QVERIFY(waitShown(preview, shown));
        QCOMPARE(preview.Picture().display.size(), QSize(640, 480));
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
        OutputQuality chosen;
        chosen.jpegQuality = quality;
        chosen.webpQuality = quality;
        if (quality == 100)
            chosen.sampling = OutputQuality::Sampling::Yuv444;
        QVERIFY(writeOutputQuality(chosen));
        // Fine detail, which a low quality cannot keep.
        QImage detail(320, 240, QImage::Format_ARGB32);
        for (int y = 0; y < detail.height(); ++y)
            for (int x = 0; x < detail.width(); ++x)
                detail.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, ((x ^ y) * 5) % 256));
        MainSurface surface;
        QVERIFY(surface.ok);
        surface.ui.AddFileItem(m_photos[0]);
        QVERIFY(seedCache(m_photos[0], detail));
        COutputPreviewDlg preview(surface.photoList());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        QVERIFY(waitShown(preview, shown));
        QVERIFY(!preview.Picture().asWritten);
        const QImage rendered = preview.Picture().display;
        QCOMPARE(meanDifference(rendered, detail), 0.0);

        preview.asWrittenBox()->setChecked(true);
        QVERIFY(waitShown(preview, shown, 2));
        QVERIFY(preview.Picture().asWritten);
        QCOMPARE(preview.Picture().display.size(), rendered.size());
        const double difference = meanDifference(preview.Picture().display, rendered);
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
        COutputPreviewDlg preview(surface.photoList());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        QVERIFY(waitShown(preview, shown));
        QVERIFY(preview.Picture().display.isNull());
        QVERIFY(!preview.Picture().error.isEmpty());
        QVERIFY(preview.displayRect().isNull());
        QVERIFY(!QFileInfo::exists(PreviewCache::pathFor(broken)));
        QVERIFY(catcher.texts.isEmpty());
    }

    void screenshot()
    {
        MainSurface surface;
        QVERIFY(surface.ok);
        const QString photo =
            writePhoto(m_folder->root() + QStringLiteral("/photos/地平线 sunset.jpg"), QSize(1600, 1000));
        QVERIFY(!photo.isEmpty());
        surface.ui.AddFileItem(photo);
        COutputPreviewDlg preview(surface.photoList());
        QSignalSpy shown(&preview, &COutputPreviewDlg::previewShown);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QVERIFY(waitShown(preview, shown));
        QVERIFY(preview.grab().save(QStringLiteral(LUMORA_BUILD_DIR "/screenshots/output_preview.png")));
    }
};

QTEST_MAIN(OutputPreviewTest)
#include "tst_OutputPreview.moc"
