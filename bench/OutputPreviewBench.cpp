// Pages through photos in the desktop program's output preview as a person would: the main
// window (offscreen unless a platform is named) is opened on a data folder with the photos in
// its file list, the output preview opens on the first, and after the first is shown the
// right arrow key is pressed once a second. Each page's time runs from the key to the end of
// the paint that shows the new photo. Prints every page's time and their median; exit status
// 0 when every page showed its photo.
//
//   lumora-bench-output-preview DATA-FOLDER PHOTO...
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "app/CLumoraDlg.h"
#include "app/PreviewPhotoList.h"
#include "model/ResizeSettings.h"
#include "services/folders/Folders.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "services/skin/SkinResources.h"
#include "ui/preview/COutputPreviewDlg.h"
#include "ui/skin/CMainDlgUI.h"

namespace {
// Runs the event loop until `done` holds (checked every millisecond) or `ms` have passed.
bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: lumora-bench-output-preview DATA-FOLDER PHOTO...\n");
        return 2;
    }
    setAppDataFolderOverride(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
    registerApplicationFonts();
    SkinResources::setInstancePath(GetProgramFolder());
    initTemplatesFolder();

    CLumoraDlg window;
    if (!window.initDialog()) {
        std::fprintf(stderr, "cannot open the main window: %s\n", qPrintable(window.errorString()));
        return 1;
    }
    window.show();
    QStringList photos;
    for (int i = 2; i < argc; ++i)
        photos << QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath();
    for (const QString& photo : std::as_const(photos))
        window.ui()->AddFileItem(photo);
    window.ui()->enableFileButtons();

    window.LoadResizeSettings(); // as the main window does before opening the preview
    COutputPreviewDlg preview(previewPhotoList(window.ui()), window.currentSettings(), &window);
    preview.resize(1280, 800);
    preview.show();
    // A page is shown once the window has painted its photo: painted at once when it is there.
    QString painted;
    QObject::connect(&preview, &COutputPreviewDlg::previewShown, &preview, [&](const QString& photo) {
        preview.repaint();
        painted = photo;
    });

    if (!waitFor([&]() { return painted == photos.first(); }, 120000)) {
        std::fprintf(stderr, "the first photo was not shown\n");
        return 1;
    }
    QList<double> times;
    for (int page = 1; page < photos.size(); ++page) {
        waitFor([]() { return false; }, 1000); // a person looks at the photo for a second
        QElapsedTimer clock;
        clock.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QCoreApplication::sendEvent(&preview, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
        QCoreApplication::sendEvent(&preview, &release);
        if (!waitFor([&]() { return painted == photos[page]; }, 120000)) {
            std::fprintf(stderr, "page %d was not shown\n", page + 1);
            return 1;
        }
        times << clock.nsecsElapsed() / 1e6;
        std::printf("page %d: %.1f ms\n", page + 1, times.last());
    }
    QList<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted.isEmpty() ? 0 : sorted[(sorted.size() - 1) / 2];
    std::printf("%d pages, median %.1f ms, slowest %.1f ms\n", int(times.size()), median,
                sorted.isEmpty() ? 0 : sorted.last());
    return 0;
}
