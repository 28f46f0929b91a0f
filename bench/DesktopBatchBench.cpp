// Runs the desktop program's batch without a person: the main window (offscreen unless a
// platform is named) is opened on a data folder, the photos are put into its file list and
// its run stamps them, with the program's renderer and the folder's output settings, as the
// "开始处理" button does, with THREADS photos at a time. Prints the photos stamped, the
// failures and the wall time of the run; exit status 0 when every photo was stamped.
// scripts/bench.sh runs it for (n), 20 large photos two at a time against one at a time, and
// for (n2), 3000 photos of 640 x 400 against lumora-batch: there the window's per-photo
// updates (selection, scrolling, marks, progress) would cost more than the photos, were they
// not gathered and shown at most about 30 times a second.
//
//   lumora-bench-desktop DATA-FOLDER THREADS PHOTO...
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

#include "app/AppMessageBox.h"
#include "app/CLumoraDlg.h"
#include "services/folders/Folders.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "services/skin/SkinResources.h"
#include "ui/skin/CMainDlgUI.h"

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: lumora-bench-desktop DATA-FOLDER THREADS PHOTO...\n");
        return 2;
    }
    setAppDataFolderOverride(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
    const int threads = QString::fromLocal8Bit(argv[2]).toInt();
    registerApplicationFonts();
    SkinResources::setInstancePath(GetProgramFolder());
    initTemplatesFolder();

    // The end message of a run with failures is printed instead of shown.
    QStringList messages;
    AppMessageBox::setHandler(
        [&messages](QWidget*, const QString& text, QMessageBox::Icon, QMessageBox::StandardButtons) {
            messages.append(text);
            return QMessageBox::Ok;
        });

    CLumoraDlg window;
    if (!window.initDialog()) {
        std::fprintf(stderr, "cannot open the main window: %s\n", qPrintable(window.errorString()));
        return 1;
    }
    window.show();
    BatchRun::Services services;
    services.threads = threads;
    services.showInFileBrowser = [](const QString&) {};
    window.setBatchServices(services);
    QStringList photos;
    for (int i = 3; i < argc; ++i)
        photos.append(QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath());
    window.ui()->addFileItems(photos);
    window.ui()->enableFileButtons();

    int stamped = 0;
    int failed = 0;
    QObject::connect(&window, &CLumoraDlg::batchRunFinished, [&](const BatchRun::Summary& summary) {
        stamped = summary.processed - summary.failed;
        failed = summary.failed;
    });
    QElapsedTimer timer;
    timer.start();
    window.StartBatchRun();
    if (!window.waitForBatchRun(-1))
        return 1;
    const double seconds = timer.nsecsElapsed() / 1e9;
    for (const QString& message : messages)
        std::fprintf(stderr, "%s\n", qPrintable(message));
    std::printf("%d stamped, %d failed in %.3f s with %d threads\n", stamped, failed, seconds, threads);
    return failed == 0 && stamped == argc - 3 ? 0 : 1;
}
