#include "app/CLumoraDlg.h"

#include "app/AppMessageBox.h"
#include "app/LanguageChoice.h"
#include "app/ProductLinks.h"
#include "app/RunFeedback.h"
#include "app/TemplateNamePrompt.h"
#include "model/DataFiles.h"
#include "model/MainWindowState.h"
#include "model/OutputSettings.h"
#include "model/ResizeSettings.h"
#include "model/SelectedTemplate.h"
#include "model/StartupUpdateCheck.h"
#include "model/TemplateStore.h"
#include "services/crash/ProgramVersion.h"
#include "services/folders/FolderTree.h"
#include "services/folders/Folders.h"
#include "services/messages/WindowMessage.h"
#include "services/skin/SkinManager.h"
#include "services/skin/SkinResources.h"
#include "services/update/UpdateAnswer.h"
#include "ui/controls/CXMenu.h"
#include "ui/skin/CMainDlgUI.h"
#include "ui/skin/CMyDropTarget.h"
#include "ui/skin/MainCommands.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUrl>

namespace {
CLumoraDlg* mainWindow = nullptr;
// Marks the place of the language submenu in the help menu's item table.
constexpr int LanguageMenuItem = -1;
} // namespace

CLumoraDlg::CLumoraDlg(QWidget* parent) : QWidget(parent), m_defaultFont(defaultFontRecord())
{
    mainWindow = this;
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_ui = new CMainDlgUI(this);
}

CLumoraDlg::~CLumoraDlg()
{
    finishWindow();
    if (mainWindow == this)
        mainWindow = nullptr;
}

CLumoraDlg* CLumoraDlg::instance()
{
    return mainWindow;
}

bool CLumoraDlg::initDialog()
{
    // Frameless window with minimise and maximise; the skin draws the caption.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinMaxButtonsHint);
    QIcon icon;
    for (int size : {20, 64, 128})
        icon.addFile(SkinResources::instancePath() +
                     QStringLiteral("skin/default/app_icon_%1.png").arg(size));
    setWindowIcon(icon);

    emit crashReporterRequested(GetAppDataFolder());

    SkinResources::SetResourcePath(SkinResources::instancePath() + QStringLiteral("skin/en"));
    move(0, 0);
    resize(803, 580);
    if (!m_ui->InitSkin(this)) {
        m_error = m_ui->errorString();
        return false;
    }
    connectSurface();
    restoreGeometry();
    buildMenus();
    buildShortcuts();
    m_runFeedback = new RunFeedback(this, m_ui);

    m_dropTarget = new CMyDropTarget(m_ui, this);
    m_dropTarget->registerTarget(this, this);

    GetProgramVersion(&m_version[0], &m_version[1], &m_version[2]);
    if (m_version[0] > 0 && readStartupUpdateCheck())
        emit updateCheckRequested(m_version[0], m_version[1], m_version[2], true);

    CreateDefaultPreferences();
    CreateDefaultTemplates();
    offerTemplateListRebuild();
    m_ui->LoadTemplateList();

    int openQuickStart = -1;
    if (loadOpenQuickStartDlg(openQuickStart) && openQuickStart == 0)
        QTimer::singleShot(1000, this, [this]() { postWindowMessage(this, QuickStartMessage); });

    setWindowTitle(QStringLiteral("Lumora Plenum"));

    CreateFolderPath(GetAppDataFolder());
    resetReportLog();

    m_ui->EnableRemoveButton(false);
    m_ui->EnablePreviewButton(false);
    m_ui->EnableProcessButton(false);
    m_ui->EnableStopButton(false);
    return true;
}

QRect CLumoraDlg::placeOnScreens(const QRect& stored, const QList<QRect>& screens)
{
    if (!stored.isValid() || screens.isEmpty())
        return QRect();
    // The caption must be on a screen so that the window can be taken and moved: a strip
    // of at least 40 x 20 of its top 40 rows.
    const QRect caption(stored.x(), stored.y(), stored.width(), qMin(40, stored.height()));
    for (const QRect& screen : screens) {
        const QRect seen = caption.intersected(screen);
        if (seen.width() >= 40 && seen.height() >= 20)
            return QRect(stored.topLeft(), stored.size().boundedTo(screen.size()));
    }
    // Off every screen (a screen gone since): the stored size, centred on the first screen.
    QRect centred(QPoint(0, 0), stored.size().boundedTo(screens.first().size()));
    centred.moveCenter(screens.first().center());
    return centred;
}

void CLumoraDlg::restoreGeometry()
{
    const MainWindowState state = MainWindowState::load();
    QList<QRect> screens;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        screens.append(primary->availableGeometry());
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            screens.append(screen->availableGeometry());
    }
    const QRect placed = placeOnScreens(state.geometry, screens);
    if (placed.isValid()) {
        move(placed.topLeft());
        resize(placed.size().expandedTo(minimumSize()));
    }
    if (state.maximised)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void CLumoraDlg::buildMenus()
{
    m_helpMenu = new QMenu(this);
    const struct
    {
        const char* text;
        int command;
    } helpItems[] = {
        {QT_TR_NOOP("主页"), HomePageCommand},
        {QT_TR_NOOP("支持页面"), SupportPageCommand},
        {nullptr, 0},
        {QT_TR_NOOP("显示快速入门"), QuickStartCommand},
        {QT_TR_NOOP("反馈..."), FeedbackCommand},
        {nullptr, 0},
        {QT_TR_NOOP("重置默认设置"), ResetDefaultsCommand},
        {QT_TR_NOOP("打开设置文件夹"), OpenSettingsFolderCommand},
        {nullptr, LanguageMenuItem},
        {nullptr, 0},
        {QT_TR_NOOP("检查更新..."), CheckUpdateCommand},
        {QT_TR_NOOP("关于..."), AboutCommand},
        // The window menu's about item; a frameless window has no window menu here.
        {QT_TR_NOOP("关于 Lumora(&A)..."), SystemAboutCommand},
    };
    for (const auto& item : helpItems) {
        if (!item.text) {
            if (item.command == LanguageMenuItem)
                m_helpMenu->addMenu(buildLanguageMenu());
            else
                m_helpMenu->addSeparator();
            continue;
        }
        const int command = item.command;
        m_helpMenu->addAction(tr(item.text), this, [this, command]() { onCommand(command); });
        if (command == CheckUpdateCommand) {
            // Whether the program asks at start; kept in config.ini once chosen.
            QAction* atStart = m_helpMenu->addAction(tr("启动时检查更新"));
            atStart->setCheckable(true);
            atStart->setChecked(readStartupUpdateCheck());
            connect(atStart, &QAction::toggled, this, [](bool on) { writeStartupUpdateCheck(on); });
        }
    }

    m_windowMenu = new QMenu(this);
    m_windowMenu->addAction(tr("还原"), this, &QWidget::showNormal);
    m_windowMenu->addAction(tr("最小化"), this, &QWidget::showMinimized);
    m_windowMenu->addAction(tr("最大化"), this, &QWidget::showMaximized);
    m_windowMenu->addSeparator();
    m_windowMenu->addAction(tr("关闭"), this, &QWidget::close);
    m_windowMenu->addSeparator();
    m_windowMenu->addAction(tr("关于 Lumora(&A)..."), this, [this]() { onCommand(SystemAboutCommand); });
    connect(m_windowMenu, &QMenu::aboutToShow, this, [this]() {
        const QList<QAction*> actions = m_windowMenu->actions();
        actions[0]->setEnabled(isMaximized() || isMinimized());
        actions[2]->setEnabled(!isMaximized());
    });

    m_templateMenu = new CXMenu(QStringLiteral("Lumora"), this);
    m_templateMenu->addAction(tr("编辑所选模板"), this, [this]() { onCommand(EditTemplateCommand); });
    m_templateMenu->addAction(tr("重命名所选模板"), this, [this]() { onCommand(RenameTemplateCommand); });
    m_templateMenu->addSeparator();
    m_templateMenu->addAction(tr("删除所选模板"), this, [this]() { onCommand(DeleteTemplateCommand); });
}

void CLumoraDlg::buildShortcuts()
{
    const struct
    {
        const char* button;
        QList<QKeySequence> keys;
    } shortcuts[] = {
        {"add_toolbar_btn", {QKeySequence(Qt::CTRL | Qt::Key_O)}},
        {"remove_toolbar_btn", {QKeySequence(Qt::Key_Delete)}},
        {"process_toolbar_btn",
         {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Enter),
          QKeySequence(Qt::CTRL | Qt::Key_Return)}},
        {"stop_toolbar_btn", {QKeySequence(Qt::Key_Escape)}},
        {"preference_toolbar_btn", {QKeySequence(Qt::CTRL | Qt::Key_Comma)}},
    };
    for (const auto& entry : shortcuts) {
        auto* button = qobject_cast<QAbstractButton*>(m_ui->FindControl(QString::fromLatin1(entry.button)));
        if (!button)
            continue;
        // Through click(), a key does nothing while its button is disabled, as the mouse.
        QStringList names;
        for (const QKeySequence& key : entry.keys) {
            auto* shortcut = new QShortcut(key, this);
            connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
            // Ctrl+Enter names both Enter keys.
            if (key[0].key() != Qt::Key_Return)
                names.append(key.toString(QKeySequence::NativeText));
        }
        button->setToolTip(
            QStringLiteral("%1 (%2)").arg(button->toolTip(), names.join(QStringLiteral(", "))));
    }
}

QMenu* CLumoraDlg::buildLanguageMenu()
{
    // The title and the English item carry their English words in the Chinese interface too,
    // so that a person who reads no Chinese finds them.
    auto* menu = new QMenu(tr("语言 (Language)"), m_helpMenu);
    auto* group = new QActionGroup(menu);
    const InterfaceLanguage::Choice stored = LanguageChoice::load();
    const struct
    {
        const char* text;
        InterfaceLanguage::Choice choice;
    } items[] = {
        {QT_TR_NOOP("中文"), InterfaceLanguage::ChooseChinese},
        {QT_TR_NOOP("英语 (English)"), InterfaceLanguage::ChooseEnglish},
        {QT_TR_NOOP("跟随系统"), InterfaceLanguage::FollowSystem},
    };
    for (const auto& item : items) {
        QAction* action = menu->addAction(tr(item.text));
        action->setCheckable(true);
        action->setChecked(item.choice == stored);
        group->addAction(action);
        const InterfaceLanguage::Choice choice = item.choice;
        connect(action, &QAction::triggered, this, [this, choice]() { chooseLanguage(choice); });
    }
    return menu;
}

void CLumoraDlg::chooseLanguage(InterfaceLanguage::Choice choice)
{
    const Outcome stored = LanguageChoice::store(choice);
    if (!stored) {
        // The reason (the file's path and the system's words) on a line of its own.
        AppMessageBox::Show(
            this, tr("无法保存语言设置：无法写入 config.ini。") + QLatin1Char('\n') + stored.sentence(),
            QMessageBox::Warning);
        return;
    }
    // The windows are built in the language of the start: a new one applies at the next.
    if (InterfaceLanguage::resolve(choice) != InterfaceLanguage::installed())
        AppMessageBox::Show(this, tr("界面语言将在下次启动 Lumora Plenum 时更改。"),
                            QMessageBox::Information);
}

void CLumoraDlg::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_windowMenu && m_ui->skin() && m_ui->skin()->captionRect().contains(event->pos())) {
        m_windowMenu->popup(event->globalPos());
        event->accept();
        return;
    }
    QWidget::contextMenuEvent(event);
}

// ---- Operations the skin calls ----

void CLumoraDlg::showMainMenu(const QPoint& globalPos)
{
    if (m_helpMenu)
        m_helpMenu->popup(globalPos);
}

void CLumoraDlg::previewPhoto()
{
    LoadResizeSettings();
    emit outputPreviewRequested();
}

RenderSettings CLumoraDlg::currentSettings() const
{
    RenderSettings settings = m_settings;
    settings.templateName = m_ui ? m_ui->SelectedTemplateName() : QString();
    return settings;
}

void CLumoraDlg::LoadResizeSettings()
{
    m_settings.resize = readResizeSettings();
}

void CLumoraDlg::showTemplateMenu(const QPoint& globalPos)
{
    if (m_templateMenu)
        m_templateMenu->popup(globalPos);
}

void CLumoraDlg::showTemplateMenuAtCursor()
{
    showTemplateMenu(QCursor::pos());
}

void CLumoraDlg::filesAdded()
{
    m_ui->enableFileButtons();
}

void CLumoraDlg::connectSurface()
{
    connect(m_ui, &CMainDlgUI::mainMenuRequested, this, &CLumoraDlg::showMainMenu);
    connect(m_ui, &CMainDlgUI::previewRequested, this, &CLumoraDlg::previewPhoto);
    connect(m_ui, &CMainDlgUI::batchRequested, this, &CLumoraDlg::StartBatchRun);
    connect(m_ui, &CMainDlgUI::stopRequested, this, &CLumoraDlg::StopBatchRun);
    connect(m_ui, &CMainDlgUI::resizingRequested, this, &CLumoraDlg::resizingWindowRequested);
    connect(m_ui, &CMainDlgUI::preferencesRequested, this, &CLumoraDlg::preferencesWindowRequested);
    connect(m_ui, &CMainDlgUI::newTemplateRequested, this, &CLumoraDlg::newTemplate);
    connect(m_ui, &CMainDlgUI::templateMenuRequested, this, &CLumoraDlg::showTemplateMenuAtCursor);
    connect(m_ui, &CMainDlgUI::templateEditorRequested, this, &CLumoraDlg::editTemplate);
}

void CLumoraDlg::editTemplate()
{
    emit templateEditorRequested();
    // The editor may have written a copy of the template (its files vanished while it was
    // open): templates the list file holds that the window does not are added.
    QStringList names;
    const QStringList shown = templateNames();
    if (loadTemplateNames(names))
        for (const QString& name : names)
            if (!shown.contains(name))
                m_ui->AddTemplateItem(name);
}

void CLumoraDlg::openHomePage()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kHomePageUrl)));
}

void CLumoraDlg::openSupportPage()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kSupportPageUrl)));
}

void CLumoraDlg::runFeedbackProgram()
{
    // The feedback program is optional: without it the person learns where to write.
    const QString feedback = joinPath(GetProgramFolder(), QStringLiteral("feedback"));
    if (!QFileInfo(feedback).isExecutable() ||
        !QProcess::startDetached(feedback, {QStringLiteral("Lumora Plenum")}))
        AppMessageBox::Show(
            this,
            tr("找不到反馈程序 %1。请在 %2 告诉我们您的意见。")
                .arg(QDir::toNativeSeparators(feedback), QString::fromLatin1(kSupportPageUrl)),
            QMessageBox::Information);
}

void CLumoraDlg::resetDefaults()
{
    if (SetAsideTemplates())
        AppMessageBox::Show(this, tr("请退出该程序，然后再重新启动它。谢谢。"), QMessageBox::Information);
}

void CLumoraDlg::openSettingsFolder()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(GetAppDataFolder()));
}

void CLumoraDlg::checkForUpdates()
{
    emit updateCheckRequested(m_version[0], m_version[1], m_version[2], false);
}

// ---- Numbered commands and private messages ----

bool CLumoraDlg::runNumbered(int message, qint64 code)
{
    // Every number the main window answers to, in one table: the menus' command ids
    // (message 0) and the private messages with their codes.
    static const struct
    {
        int message;
        qint64 code;
        void (CLumoraDlg::*run)();
    } kCommands[] = {
        {0, EditTemplateCommand, &CLumoraDlg::editTemplate},
        {0, RenameTemplateCommand, &CLumoraDlg::RenameSelectedTemplate},
        {0, DeleteTemplateCommand, &CLumoraDlg::deleteSelectedTemplate},
        {0, HomePageCommand, &CLumoraDlg::openHomePage},
        {0, SupportPageCommand, &CLumoraDlg::openSupportPage},
        {0, QuickStartCommand, &CLumoraDlg::quickStartRequested},
        {0, FeedbackCommand, &CLumoraDlg::runFeedbackProgram},
        {0, ResetDefaultsCommand, &CLumoraDlg::resetDefaults},
        {0, OpenSettingsFolderCommand, &CLumoraDlg::openSettingsFolder},
        {0, CheckUpdateCommand, &CLumoraDlg::checkForUpdates},
        {0, AboutCommand, &CLumoraDlg::aboutWindowRequested},
        {0, SystemAboutCommand, &CLumoraDlg::systemAboutWindowRequested},
        {MainUiToolbarMessage, PreviewCode, &CLumoraDlg::previewPhoto},
        {MainUiToolbarMessage, StartRunCode, &CLumoraDlg::StartBatchRun},
        {MainUiToolbarMessage, StopRunCode, &CLumoraDlg::StopBatchRun},
        {MainUiToolbarMessage, ResizingCode, &CLumoraDlg::resizingWindowRequested},
        {MainUiToolbarMessage, PreferenceCode, &CLumoraDlg::preferencesWindowRequested},
        {MainUiTemplateMessage, NewTemplateCode, &CLumoraDlg::newTemplate},
        {MainUiTemplateMessage, TemplateMenuCode, &CLumoraDlg::showTemplateMenuAtCursor},
        {FilesAddedMessage, 0, &CLumoraDlg::filesAdded},
        {QuickStartMessage, 0, &CLumoraDlg::quickStartRequested},
    };
    for (const auto& command : kCommands) {
        if (command.message == message && command.code == code) {
            (this->*command.run)();
            return true;
        }
    }
    return false;
}

void CLumoraDlg::onCommand(int commandId)
{
    runNumbered(0, commandId);
}

bool CLumoraDlg::event(QEvent* event)
{
    if (event->type() == WindowMessageEvent::eventType()) {
        const auto* message = static_cast<WindowMessageEvent*>(event);
        handleWindowMessage(message->message(), message->wParam(), message->lParam());
        return true;
    }
    return QWidget::event(event);
}

void CLumoraDlg::handleWindowMessage(int message, qint64 wParam, qint64 lParam)
{
    switch (message) {
    case NewVersionMessage:
    case LatestVersionMessage:
    case UpdateCheckFailedMessage:
        UpdateAnswer::answer(this, message, wParam, lParam, &AppMessageBox::Show);
        break;
    default:
        runNumbered(message, wParam);
        break;
    }
}

// ---- Templates ----

QStringList CLumoraDlg::templateNames() const
{
    QStringList names;
    for (const TemplateListItem& item : m_ui->templateItems())
        names.append(item.name);
    return names;
}

void CLumoraDlg::offerTemplateListRebuild()
{
    const QString problem = describeUnreadableTemplateList();
    if (problem.isEmpty())
        return;
    const QStringList found = templatesInFolder();
    if (found.isEmpty()) {
        AppMessageBox::Show(
            this, tr("无法读取模板列表：%1\n模板文件夹中没有可用的模板文件，列表文件保持原样。").arg(problem),
            QMessageBox::Warning);
        return;
    }
    const QString question = tr("无法读取模板列表：%1\n\n模板文件夹中有 %2 个模板文件：%3。\n"
                                "是否用这些模板重建模板列表？原列表文件将另存为 qthumb.xml.damaged。"
                                "选择“否”则列表文件保持原样。")
                                 .arg(problem)
                                 .arg(found.size())
                                 .arg(found.join(QStringLiteral("、")));
    if (AppMessageBox::Show(this, question, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes)
        return;
    if (!rebuildTemplateList(found))
        AppMessageBox::Show(this, tr("无法重建模板列表：无法写入 %1。").arg(templateListPath()),
                            QMessageBox::Warning);
}

void CLumoraDlg::newTemplate()
{
    const std::optional<QString> name = TemplateNamePrompt::ask(this, tr("添加新模板"), templateNames());
    if (!name)
        return;
    m_enteredName = *name;
    if (!AddTemplate(m_enteredName)) {
        // A damaged list is not replaced by adding to it: say which file stands in the way.
        const QString problem = describeUnreadableTemplateList();
        AppMessageBox::Show(this,
                            problem.isEmpty() ? tr("无法保存新模板的文件。")
                                              : tr("无法保存新模板的文件：%1").arg(problem),
                            QMessageBox::Warning);
        return;
    }
    m_ui->AddTemplateItem(m_enteredName);
}

QString CLumoraDlg::selectedTemplateOrSay(const QString& noSelection)
{
    const QString name = m_ui->SelectedTemplateName();
    if (name.isEmpty())
        AppMessageBox::Show(this, noSelection, QMessageBox::Information);
    return name;
}

void CLumoraDlg::deleteSelectedTemplate()
{
    const QString name = selectedTemplateOrSay(tr("请首先选择一个水印模板删除!"));
    if (name.isEmpty())
        return;
    if (AppMessageBox::Show(this, tr("您确定要删除这个模板?"), QMessageBox::Question,
                            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    DeleteTemplate(name);
    m_ui->RemoveTemplateItem(name);
}

void CLumoraDlg::RenameSelectedTemplate()
{
    const QString oldName = selectedTemplateOrSay(tr("请选择一个模板重命名！"));
    if (oldName.isEmpty())
        return;
    const std::optional<QString> name =
        TemplateNamePrompt::ask(this, tr("重命名模板"), templateNames(), oldName);
    if (!name)
        return;
    m_enteredName = *name;
    if (m_enteredName == oldName)
        return;
    if (!RenameTemplate(oldName, m_enteredName)) {
        AppMessageBox::Show(this, tr("无法重命名模板的文件。"), QMessageBox::Warning);
        return;
    }
    m_ui->RenameSelectedTemplate(m_enteredName);
}

// ---- Batch run ----

bool CLumoraDlg::isBatchRunning() const
{
    return m_batch && m_ui->isBatchRunning();
}

void CLumoraDlg::StartBatchRun()
{
    if (isBatchRunning())
        return; // one run at a time: renders must not overlap
    if (m_batch)
        m_batch->join();
    BatchRun::Services services = m_batchServices;
    if (m_runFeedback) {
        if (!services.fileBrowserProblem)
            services.fileBrowserProblem = m_runFeedback->problemReporter();
        if (!services.progress)
            services.progress = [feedback = m_runFeedback](int done, int total) {
                feedback->setProgress(done, total);
            };
        m_runFeedback->runStarted();
    }
    LoadResizeSettings();
    m_batch = std::make_unique<BatchRun>(m_ui, &m_stop, currentSettings(), m_lastOutputPath, services);
    m_ui->setBatchRunning(true);
    QPointer<CLumoraDlg> self(this);
    m_batch->start([self](const BatchRun::Summary& summary) {
        // Runs on the worker; the rest of the ending belongs to the user-interface thread.
        QMetaObject::invokeMethod(
            qApp,
            [self, summary]() {
                if (self)
                    self->onBatchFinished(summary);
            },
            Qt::QueuedConnection);
    });
    m_ui->EnableStopButton(true);
    m_ui->EnableRemoveButton(false);
    m_ui->EnablePreviewButton(false);
    m_ui->EnableProcessButton(false);
}

void CLumoraDlg::StopBatchRun()
{
    m_stop.set();
}

void CLumoraDlg::onBatchFinished(const BatchRun::Summary& summary)
{
    if (m_batch)
        m_batch->join();
    m_ui->setBatchRunning(false);
    if (!summary.lastOutputPath.isEmpty())
        m_lastOutputPath = summary.lastOutputPath;
    if (m_runFeedback && !m_closing)
        m_runFeedback->runFinished(summary);
    if (!m_closing) {
        const QString text = BatchRun::endMessage(summary);
        if (!text.isEmpty())
            AppMessageBox::Show(this, text, QMessageBox::Warning);
    }
    emit batchRunFinished(summary);
}

bool CLumoraDlg::waitForBatchRun(int timeoutMs)
{
    if (!isBatchRunning())
        return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &CLumoraDlg::batchRunFinished, &loop, &QEventLoop::quit);
    if (timeoutMs >= 0)
        timer.start(timeoutMs);
    loop.exec();
    return !isBatchRunning();
}

// ---- Closing ----

void CLumoraDlg::closeEvent(QCloseEvent* event)
{
    finishWindow();
    event->accept();
}

void CLumoraDlg::finishWindow()
{
    if (m_finished)
        return;
    m_finished = true;
    if (isBatchRunning()) {
        // Let the worker finish the photo it is writing, then end; no output is left half
        // written.
        m_closing = true;
        m_batch->setQuiet(true);
        StopBatchRun();
        waitForBatchRun(-1);
    }
    if (m_batch)
        m_batch->join();
    RemovePreviewCache();
    MainWindowState::storeGeometry(normalGeometry(), isMaximized());
    const int row = m_ui->templateList() ? m_ui->templateList()->getCurSel() : -1;
    if (m_ui->templateList())
        storeSelectedTemplateIndex(row);
}
