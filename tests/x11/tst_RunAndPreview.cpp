// What a run and the output preview tell, in a real X window with a window manager (run
// through run-in-x.sh): the preview's pixels are the output's (transparent photos laid onto
// white, resized runs), the end bar and its counts, the desktop notification and the taskbar
// progress on a session bus of the test's own (dbus-daemon started by main below), and paging
// with the keys and the wheel. Screenshots go to build/screenshots/x11/ (2x/ when scaled).

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QToolButton>
#include <QVariantMap>
#include <QWindow>

#include "ScreenShots.h"
#include "app/DesktopNotification.h"
#include "app/LauncherProgress.h"
#include "app/PreviewPhotoList.h"
#include "app/RunFeedback.h"
#include "model/LayerFiles.h"
#include "model/OutputSettings.h"
#include "model/ResizeSettings.h"
#include "model/TemplateStore.h"
#include "model/WatermarkConf.h"
#include "model/WatermarkTemplate.h"
#include "services/folders/FolderTree.h"
#include "support/FakeRenderer.h"
#include "support/MainWindowFixture.h"
#include "ui/controls/CHoverButton.h"
#include "ui/preview/COutputPreviewDlg.h"
#include "ui/settings/CImgResizingSettingDlg.h"
#include "ui/skin/RunEndBar.h"

namespace {

// The largest difference of a colour channel between two pictures of one size (alpha laid
// onto white first), and how many pixels differ by more than `tolerance`.
std::pair<int, qint64> compareOnWhite(const QImage& a, const QImage& b, int tolerance)
{
    const auto flat = [](const QImage& image) {
        QImage out(image.size(), QImage::Format_RGB32);
        out.fill(Qt::white);
        QPainter painter(&out);
        painter.drawImage(0, 0, image);
        return out;
    };
    const QImage fa = flat(a);
    const QImage fb = flat(b);
    int largest = 0;
    qint64 over = 0;
    for (int y = 0; y < fa.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(fa.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(fb.constScanLine(y));
        for (int x = 0; x < fa.width(); ++x) {
            const int d = qMax(qAbs(qRed(la[x]) - qRed(lb[x])),
                               qMax(qAbs(qGreen(la[x]) - qGreen(lb[x])), qAbs(qBlue(la[x]) - qBlue(lb[x]))));
            largest = qMax(largest, d);
            over += d > tolerance ? 1 : 0;
        }
    }
    return {largest, over};
}

bool isWhite(QRgb c)
{
    return qRed(c) >= 250 && qGreen(c) >= 250 && qBlue(c) >= 250;
}

// A session bus of the test's own: dbus-daemon started before the application, so that the
// program's QDBusConnection::sessionBus() is this bus.
struct TestSessionBus
{
    QProcess daemon;
    QString address;

    bool start()
    {
        daemon.setProgram(QStringLiteral("dbus-daemon"));
        daemon.setArguments(
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        daemon.start();
        if (!daemon.waitForStarted(10000))
            return false;
        while (!daemon.canReadLine()) {
            if (!daemon.waitForReadyRead(10000))
                return false;
        }
        address = QString::fromLocal8Bit(daemon.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toLocal8Bit());
        return !address.isEmpty();
    }
    ~TestSessionBus()
    {
        daemon.terminate();
        if (!daemon.waitForFinished(5000))
            daemon.kill();
    }
};

TestSessionBus* sessionBus = nullptr;

// A notification service on the test's bus: records every Notify and can invoke an action.
class FakeNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown
    {
        QString app, icon, summary, body;
        QStringList actions;
        QVariantMap hints;
    };
    QList<Shown> shown;
    QList<QVariantMap> launcherUpdates;
    QStringList launcherUris;

public slots:
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int)
    {
        shown.append({app, icon, summary, body, actions, hints});
        return uint(shown.size()) + 40;
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
    void CloseNotification(uint) {}
    void launcherUpdate(const QString& uri, const QVariantMap& properties)
    {
        launcherUris.append(uri);
        launcherUpdates.append(properties);
    }
};

// A stand-in for xdg-open at the front of PATH: writes its arguments to a file and ends with
// the given code, saying `complaint` on its error output.
QString installFakeXdgOpen(const QString& folder, int code, const QString& complaint)
{
    QDir().mkpath(folder);
    const QString script = folder + QStringLiteral("/xdg-open");
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(
        QStringLiteral("#!/bin/sh\necho \"$@\" >> '%1/opened.txt'\n%2exit %3\n")
            .arg(folder, complaint.isEmpty() ? QString() : QStringLiteral("echo '%1' >&2\n").arg(complaint))
            .arg(code)
            .toLocal8Bit());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder + QStringLiteral("/opened.txt");
}

// PATH with `folder` first (or PATH without any xdg-open: only `folder`).
class PathFront
{
public:
    PathFront(const QString& folder, bool only) : m_old(qgetenv("PATH"))
    {
        qputenv("PATH", only ? folder.toLocal8Bit() : folder.toLocal8Bit() + ':' + m_old);
        qunsetenv("LUMORA_NO_FILE_MANAGER");
    }
    ~PathFront()
    {
        qputenv("PATH", m_old);
        qputenv("LUMORA_NO_FILE_MANAGER", "1");
    }

private:
    QByteArray m_old;
};

// Output settings of a run into the fixture's output folder, stored as the run reads them.
bool useOutput(const MainWindowFixture& f, OutputSettings::Format format)
{
    OutputSettings settings = defaultOutputSettings();
    settings.OutputFolderOpts = OutputSettings::ToOutputFolder;
    settings.OutputFolderPath = f.outputFolder;
    settings.OutputFileNameOpts = OutputSettings::KeepBaseName;
    settings.OutputFormat = format;
    return writePreferencesFile(settings);
}

// A template "Logo" whose one layer is a 40 x 30 red picture at the top left, 16 pixels in,
// not scaled with the photo, and no text.
bool useLogoTemplate(MainWindowFixture& f)
{
    const QString logo = f.root.path() + QStringLiteral("/logo.png");
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(220, 20, 20));
    if (!picture.save(logo) || !AddTemplate(QStringLiteral("Logo")))
        return false;
    WatermarkTemplate tmpl;
    if (!loadWatermarkTemplate(QStringLiteral("Logo"), tmpl) || tmpl.layers.isEmpty())
        return false;
    WatermarkConf conf;
    if (!LoadLayerConf(tmpl.layers.first(), conf))
        return false;
    conf.textContent = QStringLiteral(" ");
    conf.ImagePathName = logo;
    conf.ImageLocation = 0;
    conf.ImageOffsetH = 16;
    conf.ImageOffsetV = 16;
    conf.ScaleImgWT = 0;
    if (!SaveLayerConf(tmpl.layers.first(), conf))
        return false;
    f.ui()->AddTemplateItem(QStringLiteral("Logo"));
    f.ui()->selectTemplateRow(int(f.ui()->templateItems().size()) - 1);
    return f.ui()->currentTemplateName() == QStringLiteral("Logo");
}

bool waitShown(COutputPreviewDlg& preview, const QString& photo)
{
    return QTest::qWaitFor([&]() { return preview.picture().photoPath == photo && !preview.isRendering(); },
                           60000);
}

// Shows the preview and waits until it is on the screen with `photo` drawn.
bool showAndWait(COutputPreviewDlg& preview, const QString& photo)
{
    preview.show();
    return QTest::qWaitForWindowExposed(&preview) && waitShown(preview, photo);
}

// The preview's picture as the screen shows it, and the same picture scaled as the window
// scales it (the window's pixels, device pixels at 2x).
QImage pictureOnScreen(COutputPreviewDlg& preview)
{
    const QRect rect = preview.displayRect();
    QScreen* screen = preview.screen();
    QImage pixels = screen->grabWindow(preview.winId(), rect.x(), rect.y(), rect.width(), rect.height())
                        .toImage()
                        .convertToFormat(QImage::Format_RGB32);
    pixels.setDevicePixelRatio(1); // the screen's own pixels, compared one by one
    return pixels;
}

} // namespace

class RunAndPreviewTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
                 "run through tests/x11/run-in-x.sh");
        QVERIFY2(sessionBus && !sessionBus->address.isEmpty(), "dbus-daemon did not start");
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    // A photo with transparent parts: JPEG and BMP outputs are laid onto white exactly as the
    // preview shows the photo, PNG keeps the alpha; the preview on the screen is the output
    // scaled into the window.
    void transparentPhotoAsPreviewed_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("keepsAlpha");
        QTest::newRow("JPEG") << int(OutputSettings::Jpeg) << false;
        QTest::newRow("BMP") << int(OutputSettings::Bmp) << false;
        QTest::newRow("PNG") << int(OutputSettings::Png) << true;
    }

    void transparentPhotoAsPreviewed()
    {
        QFETCH(int, format);
        QFETCH(bool, keepsAlpha);
        MainWindowFixture f;
        CLumoraDlg* main = f.open();
        // Left half transparent, right half opaque blue.
        const QString photo = f.photoFolder + QStringLiteral("/glass.png");
        QImage glass(900, 600, QImage::Format_ARGB32);
        glass.fill(Qt::transparent);
        for (int y = 0; y < glass.height(); ++y)
            for (int x = glass.width() / 2; x < glass.width(); ++x)
                glass.setPixel(x, y, qRgb(30, 60, 200));
        QVERIFY(glass.save(photo));
        QVERIFY(useLogoTemplate(f));
        QVERIFY(useOutput(f, OutputSettings::Format(format)));
        f.addPhotos({photo});

        COutputPreviewDlg preview(previewPhotoList(main->ui()), main->currentSettings(), main);
        QVERIFY(showAndWait(preview, photo));
        const QImage rendered = preview.picture().display;
        QCOMPARE(rendered.size(), QSize(900, 600));
        // The screen shows the new paint a little later: looked at until it matches (bounded).
        QImage onScreen;
        // At a whole scale factor the screen's pixels are brought back to the picture's size.
        const auto screenDifference = [&]() {
            onScreen = pictureOnScreen(preview);
            if (onScreen.size() != rendered.size())
                onScreen = onScreen.scaled(rendered.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            return compareOnWhite(onScreen, rendered, 12).second;
        };
        qint64 differing = 0;
        const bool matched = QTest::qWaitFor(
            [&]() { return (differing = screenDifference()) <= onScreen.width() * onScreen.height() / 200; },
            10000);
        onScreen.save(ScreenShots::folder() +
                      QStringLiteral("/transparent_photo_on_screen_%1.png").arg(format));
        QVERIFY2(matched, qPrintable(QStringLiteral("%1 pixels differ on the screen").arg(differing)));
        preview.close();

        main->StartBatchRun();
        QVERIFY(main->waitForBatchRun());
        const QString ext = format == OutputSettings::Jpeg  ? "jpg"
                            : format == OutputSettings::Bmp ? "bmp"
                                                            : "png";
        const QImage output(f.outputFolder + QStringLiteral("/glass.") + ext);
        QVERIFY(!output.isNull());
        QCOMPARE(output.size(), rendered.size());
        // The transparent part: white in the file, or transparent when the format keeps alpha.
        const QRgb corner = output.pixel(300, 500);
        if (keepsAlpha)
            QCOMPARE(qAlpha(corner), 0);
        else
            QVERIFY2(isWhite(corner), qPrintable(QColor(corner).name()));
        QVERIFY(isWhite(rendered.pixel(300, 500)) || qAlpha(rendered.pixel(300, 500)) == 0);
        // The preview's picture is the output before encoding (JPEG changes a little).
        // (JPEG's halved colour resolution moves the colours of sharp edges a little.)
        const bool jpeg = format == OutputSettings::Jpeg;
        const int pixels = rendered.width() * rendered.height();
        const auto [largest, over] = compareOnWhite(rendered, output, jpeg ? 24 : 0);
        QVERIFY2(over <= (jpeg ? pixels / 100 : 0),
                 qPrintable(QStringLiteral("largest difference %1, %2 pixels over").arg(largest).arg(over)));
        // On the screen: the output, as the window shows it.
        const auto [screenLargest, screenOver] = compareOnWhite(onScreen, output, 12);
        QVERIFY2(screenOver <= onScreen.width() * onScreen.height() / 200,
                 qPrintable(QStringLiteral("largest %1, %2 of %3 pixels over 12")
                                .arg(screenLargest)
                                .arg(screenOver)
                                .arg(onScreen.width() * onScreen.height())));
        QVERIFY(isWhite(onScreen.pixel(onScreen.width() / 4, onScreen.height() * 3 / 4)));
    }

    // Resizing switched on in the resizing window after a first preview: the preview then
    // shows the output at its size, the logo 16 pixels in as in the file the run writes.
    void resizedRunAsPreviewed()
    {
        MainWindowFixture f;
        CLumoraDlg* main = f.open();
        const QString photo = f.photoFolder + QStringLiteral("/field.png");
        QImage field(2000, 1334, QImage::Format_RGB32);
        for (int y = 0; y < field.height(); ++y)
            for (int x = 0; x < field.width(); ++x)
                field.setPixel(x, y, qRgb(40 + x * 150 / 2000, 120, 60 + y * 150 / 1334));
        QVERIFY(field.save(photo));
        QVERIFY(useLogoTemplate(f));
        QVERIFY(useOutput(f, OutputSettings::Png));
        f.addPhotos({photo});

        main->LoadResizeSettings();
        {
            COutputPreviewDlg preview(previewPhotoList(main->ui()), main->currentSettings(), main);
            QVERIFY(waitShown(preview, photo));
            QCOMPARE(preview.picture().display.size(), QSize(2000, 1334));
        }
        {
            // Opened and closed as the main window does: the switch goes in and comes back.
            CImgResizingSettingDlg resizing(main, main->resizePictures());
            resizing.show();
            QVERIFY(QTest::qWaitForWindowExposed(&resizing));
            resizing.widthRadio()->click();
            resizing.widthEdit()->setText(QStringLiteral("1000"));
            resizing.resizeBox()->setChecked(true);
            resizing.close();
            main->setResizePictures(resizing.resizePictures());
        }
        QVERIFY(main->resizePictures());
        main->LoadResizeSettings(); // as the main window does before a preview

        COutputPreviewDlg preview(previewPhotoList(main->ui()), main->currentSettings(), main);
        QVERIFY(showAndWait(preview, photo));
        const QImage shown = preview.picture().display;
        QCOMPARE(shown.size(), QSize(1000, 667));
        ScreenShots::take(QStringLiteral("output_preview_resized"));
        preview.close();

        main->StartBatchRun();
        QVERIFY(main->waitForBatchRun());
        const QImage output =
            QImage(f.outputFolder + QStringLiteral("/field.png")).convertToFormat(shown.format());
        QCOMPARE(output.size(), shown.size());
        // The logo's margin: 16 pixels in both.
        QCOMPARE(QColor(output.pixel(16, 20)), QColor(220, 20, 20));
        QVERIFY(QColor(output.pixel(15, 20)) != QColor(220, 20, 20));
        QCOMPARE(QColor(shown.pixel(16, 20)), QColor(220, 20, 20));
        QVERIFY(QColor(shown.pixel(15, 20)) != QColor(220, 20, 20));
        const auto [largest, over] = compareOnWhite(shown, output, 0);
        QVERIFY2(over == 0,
                 qPrintable(QStringLiteral("largest difference %1 in %2 pixels").arg(largest).arg(over)));
    }

    // The end of every run is said in the bar under the toolbar: written, failed and left,
    // the time, the folder's button; a modal box only when photos failed. When the folder
    // cannot be shown, the bar says why.
    void endBarCounts_data()
    {
        QTest::addColumn<int>("photos");
        QTest::addColumn<QString>("broken");  // the name of a photo that fails ("" for none)
        QTest::addColumn<int>("stopAfter");   // stop once this many are done (0: no stop)
        QTest::addColumn<QString>("xdgOpen"); // "missing", "fails" or "works"
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<bool>("box");
        QTest::addColumn<QString>("problem");
        QTest::newRow("all written, no xdg-open")
            << 3 << "" << 0 << "missing"
            << "已完成：3 张已写入，0 张失败，0 张未处理" << false << "xdg-open";
        QTest::newRow("one failed, xdg-open without a method")
            << 3 << "broken" << 0 << "fails"
            << "已完成：2 张已写入，1 张失败，0 张未处理" << true << "xdg-open: no method available";
        QTest::newRow("stopped, folder shown") << 4 << "" << 2 << "works"
                                               << "已停止：3 张已写入，0 张失败，1 张未处理" << true << "";
    }

    void endBarCounts()
    {
        QFETCH(int, photos);
        QFETCH(QString, broken);
        QFETCH(int, stopAfter);
        QFETCH(QString, xdgOpen);
        QFETCH(QString, sentence);
        QFETCH(bool, box);
        QFETCH(QString, problem);
        MainWindowFixture f;
        FakeRenderer renderer(f.outputFolder);
        BatchRun::Services services;
        services.render = [&renderer](const RenderRequest& request) { return renderer.render(request); };
        services.threads = 1;
        f.open();
        f.window->setBatchServices(services);
        QVERIFY(useOutput(f, OutputSettings::Png));
        QStringList list;
        for (int i = 1; i <= photos; ++i)
            list << f.makePhoto(QStringLiteral("%1%2.png").arg(i == 2 ? broken : QString()).arg(i));
        f.addPhotos(list);
        const QString tools = f.root.path() + QStringLiteral("/tools");
        const QString opened = installFakeXdgOpen(tools, xdgOpen == QLatin1String("fails") ? 3 : 0,
                                                  QStringLiteral("xdg-open: no method available"));
        PathFront path(xdgOpen == QLatin1String("missing") ? f.root.path() + QStringLiteral("/nothing")
                                                           : tools,
                       xdgOpen == QLatin1String("missing"));

        RunFeedback* feedback = f.window->runFeedback();
        QVERIFY(feedback);
        renderer.allow(stopAfter > 0 ? stopAfter : INT_MAX);
        f.window->StartBatchRun();
        QVERIFY(!feedback->endBar()->isVisible());
        if (stopAfter > 0) {
            QTRY_COMPARE_WITH_TIMEOUT(renderer.started(), stopAfter + 1, 20000);
            QTRY_VERIFY(feedback->progressBar()->isVisible());
            QTRY_COMPARE(feedback->progressBar()->value(), stopAfter);
            ScreenShots::take(QStringLiteral("run_progress"));
            f.window->StopBatchRun();
            renderer.allowAll();
        }
        QVERIFY(f.window->waitForBatchRun());
        RunEndBar* bar = feedback->endBar();
        QVERIFY(bar->isVisible());
        QVERIFY(!feedback->progressBar()->isVisible());
        QVERIFY2(bar->text().startsWith(sentence), qPrintable(bar->text()));
        QVERIFY(bar->text().contains(QStringLiteral("用时")));
        QCOMPARE(bar->isSuccess(), !box);
        QCOMPARE(!f.messages.isEmpty(), box);
        // The bar sits under the toolbar, inside the window.
        QWidget* toolbar = f.ui()->FindControl(QStringLiteral("toolbar"));
        QCOMPARE(bar->mapTo(f.window.get(), QPoint(0, 0)).y(),
                 toolbar->mapTo(f.window.get(), QPoint(0, toolbar->height())).y());
        if (problem.isEmpty()) {
            QTRY_VERIFY(QFile::exists(opened));
            QTest::qWait(300);
            QVERIFY(bar->folderProblem().isEmpty());
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(bar->folderProblem().contains(problem), 10000);
        }
        ScreenShots::take(QStringLiteral("run_end_bar_") +
                          QString::fromLatin1(QTest::currentDataTag()).section(',', 0, 0).replace(' ', '_'));

        // The bar's button tries again; it closes with its own button.
        if (xdgOpen == QLatin1String("works")) {
            QFile::remove(opened);
            QTest::mouseClick(bar->openFolderButton(), Qt::LeftButton);
            QTRY_VERIFY(QFile::exists(opened));
        }
        QTest::mouseClick(bar->closeButton(), Qt::LeftButton);
        QVERIFY(!bar->isVisible());
    }

    // On the test's session bus: the taskbar entry's progress during the run and its end,
    // and, with the window not active at the end, a notification whose action opens the folder.
    void notificationAndLauncherOnTheBus()
    {
        QDBusConnection server = QDBusConnection::connectToBus(sessionBus->address, QStringLiteral("server"));
        QVERIFY(server.isConnected());
        FakeNotificationServer notifications;
        QVERIFY(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(server.registerService(QStringLiteral("org.freedesktop.Notifications")));
        QVERIFY(server.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                               QStringLiteral("Update"), &notifications,
                               SLOT(launcherUpdate(QString, QVariantMap))));

        MainWindowFixture f;
        FakeRenderer renderer(f.outputFolder);
        BatchRun::Services services;
        services.render = [&renderer](const RenderRequest& request) { return renderer.render(request); };
        services.threads = 1;
        services.showInFileBrowser = [](const QString&) {}; // the end's own call is not looked at here
        f.open();
        f.window->setBatchServices(services);
        QVERIFY(useOutput(f, OutputSettings::Png));
        f.addPhotos({f.makePhoto("a.png"), f.makePhoto("b.png"), f.makePhoto("c.png"), f.makePhoto("d.png")});
        const QString tools = f.root.path() + QStringLiteral("/tools");
        const QString opened = installFakeXdgOpen(tools, 0, QString());
        PathFront path(tools, false);

        renderer.allow(2);
        f.window->StartBatchRun();
        QTRY_VERIFY_WITH_TIMEOUT(!notifications.launcherUpdates.isEmpty() &&
                                     notifications.launcherUpdates.last().value("progress").toDouble() >= 0.5,
                                 10000);
        QCOMPARE(notifications.launcherUris.last(), QString::fromLatin1(LauncherProgress::kAppUri));
        QCOMPARE(notifications.launcherUpdates.last().value("progress-visible").toBool(), true);
        // Another window takes the focus: the main window is not active at the end.
        QWidget other;
        other.setWindowTitle(QStringLiteral("other"));
        other.resize(300, 200);
        other.show();
        other.activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!f.window->isActiveWindow(), 5000);
        renderer.allowAll();
        QVERIFY(f.window->waitForBatchRun());
        QTRY_VERIFY_WITH_TIMEOUT(!notifications.launcherUpdates.last().value("progress-visible").toBool(),
                                 5000);
        QVERIFY(notifications.launcherUpdates.size() >= 3);
        double last = -1;
        for (const QVariantMap& update : std::as_const(notifications.launcherUpdates)) {
            if (!update.value("progress-visible").toBool())
                continue;
            QVERIFY(update.value("progress").toDouble() >= last); // never backwards
            last = update.value("progress").toDouble();
        }

        QTRY_COMPARE_WITH_TIMEOUT(notifications.shown.size(), 1, 10000);
        const FakeNotificationServer::Shown& shown = notifications.shown.first();
        QCOMPARE(shown.app, QStringLiteral("Lumora Plenum"));
        QCOMPARE(shown.summary, QStringLiteral("批处理已完成"));
        QVERIFY2(shown.body.startsWith(QStringLiteral("已完成：4 张已写入，0 张失败，0 张未处理")),
                 qPrintable(shown.body));
        QVERIFY(shown.actions.contains(QStringLiteral("open-folder")));
        QVERIFY(shown.actions.contains(QStringLiteral("打开输出文件夹")));
        QCOMPARE(shown.hints.value("desktop-entry").toString(), QStringLiteral("lumora-plenum"));
        QTRY_COMPARE(f.window->runFeedback()->notification()->id(), 41u);

        // The notification's button: the output folder is opened (no file manager on this bus).
        QDBusMessage action = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                         QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("ActionInvoked"));
        action << 41u << QStringLiteral("open-folder");
        QVERIFY(server.send(action));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(opened), 10000);
        QFile file(opened);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(file.readAll()).trimmed(), f.outputFolder);

        // The active window at the end gets the bar only.
        f.window->activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(f.window->isActiveWindow(), 5000);
        f.window->StartBatchRun();
        QVERIFY(f.window->waitForBatchRun());
        QTest::qWait(300);
        QCOMPARE(notifications.shown.size(), 1);
        QVERIFY(f.window->runFeedback()->endBar()->isVisible());
        server.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("server"));
    }

    // Paging like a viewer: the keys, the wheel, the counter, the disabled buttons at the
    // ends, and the next photo rendered ahead.
    void pagingKeys()
    {
        MainWindowFixture f;
        CLumoraDlg* main = f.open();
        QStringList photos;
        for (int i = 1; i <= 5; ++i) {
            const QString photo = f.photoFolder + QStringLiteral("/IMG_000%1.png").arg(i);
            QImage picture(1200, 800, QImage::Format_RGB32);
            picture.fill(QColor::fromHsv(i * 60, 160, 200));
            QVERIFY(picture.save(photo));
            photos << photo;
        }
        f.addPhotos(photos);
        COutputPreviewDlg preview(previewPhotoList(main->ui()), main->currentSettings(), main);
        preview.show();
        QVERIFY(QTest::qWaitForWindowActive(&preview));
        QVERIFY(waitShown(preview, photos[0]));
        QCOMPARE(preview.counterLabel()->text(), QStringLiteral("1 / 5 — IMG_0001.png"));
        QVERIFY(!preview.previousButton()->isEnabled());
        QVERIFY(preview.nextButton()->isEnabled());
        // The next photo is rendered ahead and kept ready.
        QTRY_VERIFY_WITH_TIMEOUT(!preview.isWorking() && preview.readyPhotos().contains(photos[1]), 30000);
        ScreenShots::take(QStringLiteral("output_preview_counter"));

        const struct
        {
            int key;
            int row;
        } steps[] = {{Qt::Key_Right, 1},  {Qt::Key_PageDown, 2}, {Qt::Key_End, 4},  {Qt::Key_Right, 4},
                     {Qt::Key_PageUp, 3}, {Qt::Key_Left, 2},     {Qt::Key_Home, 0}, {Qt::Key_Left, 0}};
        for (const auto& step : steps) {
            QTest::keyClick(&preview, Qt::Key(step.key));
            QVERIFY(waitShown(preview, photos[step.row]));
            QCOMPARE(f.ui()->selectedFileRow(), step.row);
            QCOMPARE(preview.pathLabel()->text(), photos[step.row]);
            QCOMPARE(preview.counterLabel()->text(),
                     QStringLiteral("%1 / 5 — IMG_000%1.png").arg(step.row + 1));
            QCOMPARE(preview.previousButton()->isEnabled(), step.row > 0);
            QCOMPARE(preview.nextButton()->isEnabled(), step.row < 4);
        }
        // The wheel: one notch down is the next photo, one up the previous.
        const QPoint centre = preview.pictureArea().center();
        QWheelEvent down(centre, preview.mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&preview, &down);
        QVERIFY(waitShown(preview, photos[1]));
        QWheelEvent up(centre, preview.mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&preview, &up);
        QVERIFY(waitShown(preview, photos[0]));

        // A photo not ready yet: the busy indicator is drawn, not a blank page.
        RemovePreviewCache();
        QTest::keyClick(&preview, Qt::Key_End);
        if (preview.isRendering()) {
            const QImage page = preview.grab(preview.pictureArea()).toImage();
            int dark = 0;
            for (int y = 0; y < page.height(); y += 2)
                for (int x = 0; x < page.width(); x += 2)
                    dark += qGray(page.pixel(x, y)) < 160 ? 1 : 0;
            QVERIFY2(dark > 10, "no busy indicator while rendering");
            page.save(ScreenShots::folder() + QStringLiteral("/output_preview_busy.png"));
        }
        QVERIFY(waitShown(preview, photos[4]));
        QVERIFY(!preview.nextButton()->isEnabled());
        ScreenShots::take(QStringLiteral("output_preview_last"));
    }
};

int main(int argc, char* argv[])
{
    ScreenShots::importTool(); // before the tests change PATH
    TestSessionBus bus;
    if (bus.start())
        sessionBus = &bus;
    QApplication app(argc, argv);
    RunAndPreviewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_RunAndPreview.moc"
