#include <QAbstractButton>
#include <QElapsedTimer>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

#include "about/SkinTestFolder.h"
#include "app/AppMessageBox.h"
#include "app/CAboutDlg.h"
#include "app/CLumoraApp.h"
#include "app/CLumoraDlg.h"
#include "model/DataFiles.h"
#include "model/OutputSettings.h"
#include "model/StartupUpdateCheck.h"
#include "services/messages/WindowMessage.h"
#include "services/update/UpdateAnswer.h"
#include "services/update/UpdateCheck.h"
#include "services/update/UpdateSettings.h"
#include "support/ModalCatcher.h"
#include "support/TempDataFolder.h"
#include "support/TestFiles.h"
#include "ui/controls/CHyperLink.h"
#include "ui/preview/COutputPreviewDlg.h"
#include "ui/settings/CImgResizingSettingDlg.h"
#include "ui/settings/CPreferenceDlg.h"
#include "ui/skin/AboutAddresses.h"
#include "ui/skin/CAboutDlgUI.h"
#include "ui/skin/CMainDlgUI.h"
#include "ui/skin/CQuickStartDlgUI.h"

namespace {

// Records the class of every modal window that opens and closes it.
struct WindowRecorder
{
    QStringList opened;
    QList<bool> quickStartTicked;
    QElapsedTimer clock;
    qint64 firstOpenedAfterMs = -1;

    ModalCatcher catcher()
    {
        clock.start();
        return ModalCatcher([this](QWidget* w) {
            if (firstOpenedAfterMs < 0)
                firstOpenedAfterMs = clock.elapsed();
            opened << QString::fromLatin1(w->metaObject()->className());
            if (auto* quick = qobject_cast<CQuickStartDlgUI*>(w))
                quickStartTicked << (quick->dontShowOption() && quick->dontShowOption()->isChecked());
            QMetaObject::invokeMethod(w, "close", Qt::QueuedConnection);
        });
    }
};

void setOpenQuickStart(int value)
{
    QByteArray file = TempDataFolder::read(preferencesPath());
    file.replace(value ? "<OpenQuickStartDlg>0<" : "<OpenQuickStartDlg>1<",
                 value ? "<OpenQuickStartDlg>1<" : "<OpenQuickStartDlg>0<");
    QVERIFY(TempDataFolder::write(preferencesPath(), file));
}

QAction* helpAction(CLumoraDlg& window, const QString& text)
{
    for (QAction* action : window.helpMenu()->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

} // namespace

class MainWindowCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useSourceSkin(); }

    void quickStartAtStartup_data()
    {
        QTest::addColumn<int>("openQuickStart");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("shown while 0") << 0 << QStringList{QStringLiteral("CQuickStartDlgUI")};
        QTest::newRow("not shown while 1") << 1 << QStringList();
    }

    void quickStartAtStartup()
    {
        QFETCH(int, openQuickStart);
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        setOpenQuickStart(openQuickStart);
        WindowRecorder recorder;
        ModalCatcher catcher = recorder.catcher();
        CLumoraDlg window;
        CLumoraApp::connectWindows(&window);
        QVERIFY2(window.initDialog(), qPrintable(window.errorString()));
        window.show();
        QTest::qWait(1600);
        QTEST(recorder.opened, "opened");
        if (!recorder.opened.isEmpty())
            QVERIFY(recorder.firstOpenedAfterMs >= 900);
    }

    void commandsOpenTheirWindows_data()
    {
        QTest::addColumn<QString>("helpItem");
        QTest::addColumn<int>("toolbarCode");
        QTest::addColumn<QString>("window");
        QTest::newRow("about") << "关于..." << 0 << "CAboutDlgUI";
        QTest::newRow("quick start") << "显示快速入门" << 0 << "CQuickStartDlgUI";
        QTest::newRow("window-menu about") << "关于 Lumora(&A)..." << 0 << "CAboutDlg";
        QTest::newRow("resizing") << QString() << 15 << "CImgResizingSettingDlg";
        QTest::newRow("preferences") << QString() << 16 << "CPreferenceDlg";
        QTest::newRow("preview") << QString() << 12 << "COutputPreviewDlg";
    }

    void commandsOpenTheirWindows()
    {
        QFETCH(QString, helpItem);
        QFETCH(int, toolbarCode);
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        setOpenQuickStart(1);
        CLumoraDlg window;
        CLumoraApp::connectWindows(&window);
        QVERIFY(window.initDialog());
        WindowRecorder recorder;
        ModalCatcher catcher = recorder.catcher();
        if (!helpItem.isEmpty()) {
            QAction* action = helpAction(window, helpItem);
            QVERIFY2(action, qPrintable(helpItem));
            action->trigger();
        } else {
            postWindowMessage(&window, MainUiToolbarMessage, toolbarCode);
            QTRY_COMPARE(recorder.opened.size(), 1);
        }
        QTEST(recorder.opened.value(0), "window");
        QTest::qWait(50);
        QCOMPARE(recorder.opened.size(), 1);
        // The quick start opens unticked whatever is stored; no window changes what is stored.
        QVERIFY(!recorder.quickStartTicked.contains(true));
        int stored = -1;
        QVERIFY(loadOpenQuickStartDlg(stored));
        QCOMPARE(stored, 1);
    }

    // Help commands that used to answer nothing: a missing feedback program and an update check
    // the person asked for that cannot reach the server each say so in a message.
    void helpCommandsAnswer_data()
    {
        QTest::addColumn<QString>("helpItem");
        QTest::addColumn<QStringList>("wanted"); // parts of the one message expected
        QTest::newRow("feedback program missing")
            << "反馈..."
            << QStringList{QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("feedback")),
                           QStringLiteral("https://lumora-plenum.org/support/")};
        QTest::newRow("update server unreachable")
            << "检查更新..." << QStringList{UpdateAnswer::serverUnreachableNotice()};
    }

    void helpCommandsAnswer()
    {
        QFETCH(QString, helpItem);
        QFETCH(QStringList, wanted);
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        setOpenQuickStart(1);
        // Nothing listens on port 1 of this machine: the download is refused at once.
        qputenv(kUpdateUrlVariable, "http://127.0.0.1:1/version.txt");
        QStringList messages;
        // Undone however the test ends (the handler refers to `messages`).
        const auto restore = qScopeGuard([] {
            waitForUpdateCheck(20000);
            AppMessageBox::setHandler({});
            setUpdateCheckQuiet(true);
            qunsetenv(kUpdateUrlVariable);
        });
        AppMessageBox::setHandler(
            [&messages](QWidget*, const QString& text, QMessageBox::Icon, QMessageBox::StandardButtons) {
                messages << text;
                return QMessageBox::Ok;
            });
        {
            CLumoraDlg window;
            CLumoraApp::connectWindows(&window);
            CLumoraApp::connectUpdateCheck(&window);
            QVERIFY(window.initDialog());
            // The check at start (when it runs at all) stays quiet about the unreachable server.
            QVERIFY(waitForUpdateCheck(20000));
            QTest::qWait(50);
            QCOMPARE(messages, QStringList());

            QAction* action = helpAction(window, helpItem);
            QVERIFY2(action, qPrintable(helpItem));
            action->trigger();
            QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 1, 20000);
            for (const QString& part : wanted)
                QVERIFY2(messages.first().contains(part), qPrintable(messages.first()));
            QVERIFY(waitForUpdateCheck(20000));
        }
    }

    // The check at start follows config.ini's "检查更新" (1 on, 0 off), else the build's choice;
    // the help menu's switch writes the key, and the help menu's check asks the server either way.
    void updateCheckAtStart_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<bool>("atStart");
        QTest::newRow("no key: the build's choice") << QByteArray() << startupUpdateCheckByDefault();
        QTest::newRow("off")
            << QByteArray(
                   "[\xe5\xb8\xb8\xe8\xa7\x84]\r\n\xe6\xa3\x80\xe6\x9f\xa5\xe6\x9b\xb4\xe6\x96\xb0=0\r\n")
            << false;
        QTest::newRow("on")
            << QByteArray(
                   "[\xe5\xb8\xb8\xe8\xa7\x84]\r\n\xe6\xa3\x80\xe6\x9f\xa5\xe6\x9b\xb4\xe6\x96\xb0=1\r\n")
            << true;
    }

    void updateCheckAtStart()
    {
        QFETCH(QByteArray, config);
        QFETCH(bool, atStart);
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        setOpenQuickStart(1);
        if (!config.isEmpty())
            QVERIFY(writeFile(configIniPath(), config));
        QList<bool> checks; // quiet (at start) or asked for
        CLumoraDlg window;
        QObject::connect(&window, &CLumoraDlg::updateCheckRequested,
                         [&checks](int, int, int, bool quiet) { checks << quiet; });
        QVERIFY(window.initDialog());
        QCOMPARE(checks, atStart ? QList<bool>{true} : QList<bool>{});

        QAction* toggle = helpAction(window, QStringLiteral("启动时检查更新"));
        QVERIFY(toggle && toggle->isCheckable());
        QCOMPARE(toggle->isChecked(), atStart);
        toggle->trigger();
        QCOMPARE(readStartupUpdateCheck(), !atStart);
        QVERIFY(readFile(configIniPath()).contains(atStart ? "=0" : "=1"));

        checks.clear();
        helpAction(window, QStringLiteral("检查更新..."))->trigger();
        QCOMPARE(checks, QList<bool>{false});
    }

    void classicAboutDialog()
    {
        CAboutDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Lumora"));
        QCOMPARE(dialog.versionText()->text(),
                 CAboutDlg::versionText(LUMORA_VERSION_MAJOR, LUMORA_VERSION_MINOR, LUMORA_VERSION_PATCH));
        QCOMPARE(CAboutDlg::versionText(2, 1, 5), QStringLiteral("2.1.5 "));
        const QList<QPair<int, QString>> links = {
            {CAboutDlg::kHowToLinkId, AboutAddresses::kHowToPage},
            {CAboutDlg::kSupportLinkId, AboutAddresses::kSupportMail},
            {CAboutDlg::kHomeLinkId, AboutAddresses::kHomePage},
            {CAboutDlg::kTwitterLinkId, AboutAddresses::kTwitterShare},
            {CAboutDlg::kFacebookLinkId, AboutAddresses::kFacebookLike},
        };
        QCOMPARE(dialog.linkControls().size(), links.size());
        for (const auto& link : links) {
            QVERIFY(dialog.link(link.first));
            QCOMPARE(dialog.link(link.first)->getURL(), link.second);
        }
        QVERIFY(QUrl(QString::fromLatin1(AboutAddresses::kSupportMail)).scheme() == QLatin1String("mailto"));

        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QTest::keyClick(&dialog, key);
            QTRY_VERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(key == Qt::Key_Escape ? QDialog::Rejected : QDialog::Accepted));
        }
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.grab().save(QStringLiteral(LUMORA_BUILD_DIR "/screenshots/about_classic.png"));
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(MainWindowCommandsTest)
#include "tst_MainWindowCommands.moc"
