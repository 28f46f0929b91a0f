// Measures the main window's file list with many photos: the memory of the process before and
// after adding them, how long adding takes until the window answers again, and the time to
// draw each page while scrolling through the list. The main window is opened on a data folder
// (offscreen unless a platform is named), the photos are added as the add-photos dialog adds
// them, with thumbnails on or off.
//
//   lumora-bench-photo-list DATA-FOLDER on|off PHOTO-FOLDER
//
// Every file of PHOTO-FOLDER is added. Prints one line per figure.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTimer>
#include <QtTest/QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/CLumoraDlg.h"
#include "services/folders/Folders.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "services/skin/SkinResources.h"
#include "ui/skin/CMainDlgUI.h"
#include "ui/skin/PhotoInspector.h"

namespace {
// A line of /proc/self/status in MiB ("VmRSS", "VmHWM").
double statusMiB(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key)) + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: lumora-bench-photo-list DATA-FOLDER on|off PHOTO-FOLDER\n");
        return 2;
    }
    setAppDataFolderOverride(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
    const bool thumbnails = qstrcmp(argv[2], "on") == 0;
    const QDir folder(QString::fromLocal8Bit(argv[3]));
    QStringList photos;
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
        photos.append(folder.absoluteFilePath(name));
    registerApplicationFonts();
    SkinResources::setInstancePath(GetProgramFolder());
    initTemplatesFolder();

    CLumoraDlg window;
    if (!window.initDialog()) {
        std::fprintf(stderr, "cannot open the main window: %s\n", qPrintable(window.errorString()));
        return 1;
    }
    window.ui()->thumbnailsAction()->setChecked(thumbnails);
    window.show();
    QTest::qWait(200);
    const double emptyMiB = statusMiB("VmRSS:");

    // Adding: from the call until the window has handled the events the addition posted.
    QElapsedTimer timer;
    timer.start();
    window.ui()->addFileItems(photos);
    window.ui()->enableFileButtons();
    bool answered = false;
    QTimer::singleShot(0, &window, [&answered]() { answered = true; });
    while (!answered)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    window.repaint();
    const double addSeconds = timer.nsecsElapsed() / 1e9;

    // Scrolling: one page at a time through the whole list, each page drawn at once.
    QScrollBar* bar = window.ui()->fileList()->verticalScrollBar();
    std::vector<double> pages;
    for (int value = 0; value <= bar->maximum(); value += std::max(1, bar->pageStep())) {
        QElapsedTimer page;
        page.start();
        bar->setValue(value);
        window.ui()->fileList()->viewport()->repaint();
        pages.push_back(page.nsecsElapsed() / 1e6);
    }
    std::sort(pages.begin(), pages.end());
    const double median = pages.empty() ? 0 : pages[pages.size() / 2];
    const double worst = pages.empty() ? 0 : pages.back();

    // The checks (and thumbnails) of every photo, in the background.
    timer.restart();
    while (!window.ui()->inspector()->isIdle())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const double checkSeconds = timer.nsecsElapsed() / 1e9;
    window.ui()->fileList()->viewport()->repaint();
    const double afterMiB = statusMiB("VmRSS:");

    std::printf("photos: %lld, thumbnails %s\n", static_cast<long long>(photos.size()),
                thumbnails ? "on" : "off");
    std::printf("memory empty: %.1f MiB\n", emptyMiB);
    std::printf("memory with the photos, checked: %.1f MiB (peak %.1f MiB)\n", afterMiB, statusMiB("VmHWM:"));
    std::printf("adding until the window answers: %.3f s\n", addSeconds);
    std::printf("scrolling: %zu pages, median %.2f ms, worst %.2f ms a page\n", pages.size(), median, worst);
    std::printf("checking in the background: %.1f s\n", checkSeconds);
    return 0;
}
