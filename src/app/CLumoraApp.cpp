#include "app/CLumoraApp.h"

#include "app/CAboutDlg.h"
#include "app/CLumoraDlg.h"
#include "app/InstanceLock.h"
#include "app/PreviewPhotoList.h"
#include "app/TemplateNamePrompt.h"
#include "services/crash/CrashReporter.h"
#include "services/folders/Folders.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "services/skin/SkinResources.h"
#include "services/update/NetworkReachability.h"
#include "services/update/UpdateCheck.h"
#include "ui/editor/CAddNewTempDlg.h"
#include "ui/editor/CEditTemplateDlg.h"
#include "ui/preview/COutputPreviewDlg.h"
#include "ui/settings/CImgResizingSettingDlg.h"
#include "ui/settings/CPreferenceDlg.h"
#include "ui/skin/CAboutDlgUI.h"
#include "ui/skin/CMainDlgUI.h"
#include "ui/skin/CMyDropTarget.h"
#include "ui/skin/CQuickStartDlgUI.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include <cstdio>

CLumoraApp::CLumoraApp() = default;

CLumoraApp::~CLumoraApp() = default;

bool CLumoraApp::initInstance(const QStringList& photos)
{
    // Before anything reads or writes the data folder: one program per data folder.
    m_instanceLock = std::make_unique<InstanceLock>(GetAppDataFolder());
    if (!m_instanceLock->tryAcquire()) {
        const QString refusal = m_instanceLock->refusalText();
        std::fprintf(stderr, "lumora-plenum: %s\n", qPrintable(refusal));
        QMessageBox::warning(nullptr, QStringLiteral("Lumora Plenum"), refusal);
        return false;
    }
    // The default layer font is Tahoma: use Wine's compatible faces when installed.
    registerApplicationFonts();
    SkinResources::setInstancePath(getProgramDataFolder());
    initTemplatesFolder();

    m_mainWindow = std::make_unique<CLumoraDlg>();
    QObject::connect(m_mainWindow.get(), &CLumoraDlg::crashReporterRequested,
                     [](const QString& dataFolder) { InstallCrashReporter(dataFolder); });
    connectUpdateCheck(m_mainWindow.get());
    connectWindows(m_mainWindow.get());
    if (!m_mainWindow->initDialog()) {
        QMessageBox::critical(nullptr, QStringLiteral("Lumora Plenum"), m_mainWindow->errorString());
        return false;
    }
    if (!photos.isEmpty())
        m_mainWindow->dropTarget()->addFiles(photos);
    m_mainWindow->show();
    return true;
}

QStringList CLumoraApp::startPhotos(const QStringList& arguments)
{
    QStringList photos;
    bool options = true;
    for (const QString& argument : arguments) {
        if (options && argument == QLatin1String("--")) {
            options = false;
            continue;
        }
        if (options && argument.startsWith(QLatin1Char('-')))
            continue;
        const QUrl url(argument);
        const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
        if (!path.isEmpty())
            photos.append(QFileInfo(path).absoluteFilePath());
    }
    return photos;
}

int CLumoraApp::run()
{
    const int code = QApplication::exec();
    m_mainWindow.reset();
    return code;
}

void CLumoraApp::connectUpdateCheck(CLumoraDlg* window)
{
    // Quiet: the automatic check at start (skipped without a network); otherwise the user's
    // "check for updates", which also reports "latest version".
    QObject::connect(window, &CLumoraDlg::updateCheckRequested, window,
                     [window](int major, int minor, int build, bool quiet) {
                         const VersionTriple version{major, minor, build};
                         if (quiet)
                             startAutomaticUpdateCheck(window, version, isNetworkReachable());
                         else
                             startManualUpdateCheck(window, version);
                     });
}

void CLumoraApp::connectWindows(CLumoraDlg* window)
{
    QObject::connect(window, &CLumoraDlg::outputPreviewRequested, window, [window]() {
        COutputPreviewDlg preview(previewPhotoList(window->ui()), window->currentSettings(), window);
        preview.exec();
    });
    QObject::connect(window, &CLumoraDlg::resizingWindowRequested, window, [window]() {
        CImgResizingSettingDlg resizing(window, window->resizePictures());
        resizing.exec();
        window->setResizePictures(resizing.resizePictures());
    });
    QObject::connect(window, &CLumoraDlg::preferencesWindowRequested, window, [window]() {
        CPreferenceDlg preferences(window);
        preferences.exec();
    });
    QObject::connect(window, &CLumoraDlg::aboutWindowRequested, window,
                     [window]() { CBaseDlgUI::Show<CAboutDlgUI>(window); });
    QObject::connect(window, &CLumoraDlg::systemAboutWindowRequested, window, [window]() {
        CAboutDlg about(window);
        about.exec();
    });
    QObject::connect(window, &CLumoraDlg::quickStartRequested, window,
                     [window]() { CBaseDlgUI::Show<CQuickStartDlgUI>(window); });
    // The template editor, for the selected template (double click or "编辑所选模板"); the
    // photos of the main window's list can be chosen for its preview.
    QObject::connect(window, &CLumoraDlg::templateEditorRequested, window, [window]() {
        CEditTemplateDlg editor(window->currentSettings(), window);
        editor.setPreviewPhotos(window->ui()->filePaths());
        editor.exec();
    });
    // New and renamed templates are named in the template naming dialog.
    TemplateNamePrompt::setTextSource([](QWidget* parent, const QString& caption) -> std::optional<QString> {
        QString name;
        CAddNewTempDlg dialog(caption, name, parent);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return name;
    });
}
