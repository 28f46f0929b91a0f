#pragma once

#include <QStringList>
#include <memory>

class CLumoraDlg;
class InstanceLock;

// The application object: registers the Tahoma-compatible fonts, fixes the program and
// templates folders, creates the main window, runs it until it closes, then ends.
class CLumoraApp
{
public:
    CLumoraApp();
    ~CLumoraApp();

    // The start-up steps before the event loop; false when another program runs on the same
    // data folder or the main window cannot be built (the reason has been shown). The photos
    // named on the command line (see StartPhotos) are added to the file list as a drop adds
    // them.
    bool initInstance(const QStringList& photos = QStringList());
    // Runs the event loop until the main window closes; returns the exit code.
    int run();

    // The photos among the program's arguments (without the program's name): paths, relative
    // to the working folder or absolute, and file:// addresses as file managers pass them.
    // Arguments starting with "-" are options and left out, except after "--".
    static QStringList startPhotos(const QStringList& arguments);

    // Connects the main window's requests to the output preview, the resizing, preference,
    // quick-start and template editor windows and the two about windows.
    static void connectWindows(CLumoraDlg* window);
    // Connects the main window's update checks to the update service: the quiet check at start
    // (skipped without a network) and the one the person asks for.
    static void connectUpdateCheck(CLumoraDlg* window);

private:
    std::unique_ptr<InstanceLock> m_instanceLock;
    std::unique_ptr<CLumoraDlg> m_mainWindow;
};
