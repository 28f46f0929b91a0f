#pragma once

#include <QString>
#include <functional>

class QWidget;

// Windows and services of the main window that are provided elsewhere. Each is empty until
// its provider sets it at start; an empty hook makes its command do nothing.
struct MainWindowHooks
{
    std::function<void(QWidget* parent)> openOutputPreview;  // COutputPreviewDlg
    std::function<void(QWidget* parent)> openResizing;       // CImgResizingSettingDlg
    std::function<void(QWidget* parent)> openPreferences;    // CPreferenceDlg
    std::function<void(QWidget* parent)> openTemplateEditor; // CEditTemplateDlg
    std::function<void(QWidget* parent)> openAbout;          // CAboutDlgUI
    std::function<void(QWidget* parent)> openSystemAbout;    // CAboutDlg
    std::function<void(QWidget* parent)> openQuickStart;     // CQuickStartDlgUI
    // The update check: the program's version, whether it reports "latest version" too (a
    // request by the user) and the window its messages go to.
    std::function<void(int major, int minor, int build, bool quiet, QWidget* target)> startUpdateCheck;
    // Installs the crash reporter for the data folder (the real program only).
    std::function<void(const QString& dataFolder)> installCrashReporter;

    static MainWindowHooks& Get();
};
