#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include "model/DataFiles.h"
#include "model/ExistingOutputChoice.h"
#include "model/LosslessJpeg.h"
#include "model/OutputQuality.h"
#include "model/OutputSettings.h"
#include "model/RenderSettings.h"
#include "model/TemplateStore.h"
#include "render/ComposeWatermark.h"
#include "settings/SettingsTestSupport.h"
#include "support/FirstStartFiles.h"
#include "support/TempDataFolder.h"
#include "ui/settings/CFolderDlg.h"
#include "ui/settings/CGeneralConfDlg.h"
#include "ui/settings/CPreferenceDlg.h"
#include "ui/settings/OutputQualityBox.h"

using FirstStartFiles::preferenceFile;

namespace {

// The files of a first start, and "config.ini" holding `before` (none when it is empty); the
// preference file's bytes.
QByteArray firstStartWithConfigIni(const QByteArray& before)
{
    if (!CreateDefaultPreferences())
        return QByteArray();
    if (!before.isEmpty() && !TempDataFolder::write(configIniPath(), before))
        return QByteArray();
    return TempDataFolder::read(preferencesPath());
}

// The settings window on the default settings of a fresh data folder.
struct DefaultSettingsWindow
{
    TempDataFolder folder;
    const bool created = CreateDefaultPreferences();
    CPreferenceDlg window;

    // Shows the window; its output page once it is on the screen, null when it is not.
    CGeneralConfDlg* show()
    {
        window.show();
        return created && QTest::qWaitForWindowExposed(&window) ? window.generalPage() : nullptr;
    }
};

} // namespace

class OutputSettingsPageTest : public QObject
{
    Q_OBJECT

private slots:
    void freshFileOpensWithDefaults()
    {
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        CGeneralConfDlg page;
        QVERIFY(page.sourceFolderRadio()->isChecked());
        QVERIFY(!page.otherFolderRadio()->isChecked());
        QVERIFY(!page.browseButton()->isEnabled());
        QCOMPARE(page.pathField()->text(), GetDocumentsFolder());
        QVERIFY(!page.pathField()->isEnabled()); // typed only for another folder
        QCOMPARE(page.existingList()->currentIndex(), int(OutputSettings::ReplaceExisting));
        QCOMPARE(page.existingList()->count(), 3);
        QVERIFY(page.renameRadio()->isChecked());
        QVERIFY(page.suffixField()->isEnabled());
        QCOMPARE(page.suffixField()->text(), QStringLiteral("_new"));
        QCOMPARE(page.formatList()->currentText(), QStringLiteral("JPG"));
        QCOMPARE(page.formatList()->count(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(page.formatList()->itemData(i).toInt(), i);
        QCOMPARE(page.formatList()->itemText(4), QStringLiteral("WEBP"));
    }

    // A preference file cut off mid-way: the page says why it cannot be read, offers the
    // default values, and closing it keeps the old bytes beside a complete new file.
    void damagedFileIsExplainedAndSavedAfresh()
    {
        TempDataFolder folder;
        const QByteArray whole = preferenceFile("1", "/srv/out", "1", "_wm", "1");
        QVERIFY(TempDataFolder::write(preferencesPath(), whole.left(150)));
        {
            CGeneralConfDlg page;
            page.resize(420, 460);
            page.show();
            QVERIFY(QTest::qWaitForWindowExposed(&page));
            QVERIFY(page.damagedNotice()->isVisible());
            QVERIFY(page.damagedNotice()->text().contains(QStringLiteral("preference.xml cannot be read")));
            QVERIFY(page.sourceFolderRadio()->isChecked());
            QVERIFY(page.renameRadio()->isChecked());
            QCOMPARE(page.suffixField()->text(), QStringLiteral("_new"));
            QVERIFY(page.grab().save(
                QStringLiteral(LUMORA_BUILD_DIR "/screenshots/output_settings_damaged.png")));
            page.suffixField()->setText(QStringLiteral("_wm"));
            OutputSettings unread;
            QCOMPARE(loadPreferencesForRun(unread).isEmpty(), false); // still damaged while open
        }
        QFile kept(preferencesPath() + QStringLiteral(".damaged"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), whole.left(150));
        OutputSettings saved;
        QCOMPARE(loadPreferencesForRun(saved), QString());
        QCOMPARE(saved.OutputFolderOpts, 0);
        QCOMPARE(saved.OutputFileNameOpts, 1);
        QCOMPARE(saved.OutputFileNameSuffix, QStringLiteral("_wm"));
        QCOMPARE(saved.OutputFormat, 0);
    }

    void missingFileChecksNothingAndStoresNothing()
    {
        TempDataFolder folder;
        {
            CGeneralConfDlg page;
            QVERIFY(!page.sourceFolderRadio()->isChecked());
            QVERIFY(!page.otherFolderRadio()->isChecked());
            QVERIFY(!page.keepNameRadio()->isChecked());
            QVERIFY(!page.renameRadio()->isChecked());
            QVERIFY(page.browseButton()->isEnabled());
            QVERIFY(page.suffixField()->isEnabled());
            QVERIFY(page.pathField()->text().isEmpty());
        }
        QVERIFY(!QFileInfo::exists(preferencesPath()));
    }

    // Values as found in the file, what the page shows, and what closing stores back.
    void loadAndStoreBack_data()
    {
        QTest::addColumn<QString>("folderOpts");
        QTest::addColumn<QString>("nameOpts");
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("otherFolder");
        QTest::addColumn<bool>("rename");
        QTest::addColumn<int>("formatIndex");
        QTest::addColumn<QString>("storedFolderOpts");
        QTest::addColumn<QString>("storedNameOpts");
        QTest::addColumn<QString>("storedFormat");

        QTest::newRow("defaults") << QStringLiteral("0") << QStringLiteral("1") << QStringLiteral("0")
                                  << false << true << 0 << QStringLiteral("0") << QStringLiteral("1")
                                  << QStringLiteral("0");
        QTest::newRow("folder option 2 stored as 1")
            << QStringLiteral("2") << QStringLiteral("0") << QStringLiteral("1") << true << false << 1
            << QStringLiteral("1") << QStringLiteral("0") << QStringLiteral("1");
        QTest::newRow("tiff") << QStringLiteral("1") << QStringLiteral("1") << QStringLiteral("3") << true
                              << true << 3 << QStringLiteral("1") << QStringLiteral("1")
                              << QStringLiteral("3");
        QTest::newRow("webp") << QStringLiteral("0") << QStringLiteral("1") << QStringLiteral("4") << false
                              << true << 4 << QStringLiteral("0") << QStringLiteral("1")
                              << QStringLiteral("4");
        QTest::newRow("first format past webp")
            << QStringLiteral("0") << QStringLiteral("1") << QStringLiteral("5") << false << true << -1
            << QStringLiteral("0") << QStringLiteral("1") << QStringLiteral("-1");
        QTest::newRow("format out of range")
            << QStringLiteral("0") << QStringLiteral("1") << QStringLiteral("7") << false << true << -1
            << QStringLiteral("0") << QStringLiteral("1") << QStringLiteral("-1");
        QTest::newRow("negative format")
            << QStringLiteral("0") << QStringLiteral("1") << QStringLiteral("-2") << false << true << -1
            << QStringLiteral("0") << QStringLiteral("1") << QStringLiteral("-1");
        QTest::newRow("non-numeric format")
            << QStringLiteral("0") << QStringLiteral("1") << QStringLiteral("png") << false << true << 0
            << QStringLiteral("0") << QStringLiteral("1") << QStringLiteral("0");
        QTest::newRow("digits then text")
            << QStringLiteral("0") << QStringLiteral("1") << QStringLiteral("2x") << false << true << 2
            << QStringLiteral("0") << QStringLiteral("1") << QStringLiteral("2");
        QTest::newRow("empty options")
            << QStringLiteral("") << QStringLiteral("") << QStringLiteral("1") << true << true << 1
            << QStringLiteral("1") << QStringLiteral("1") << QStringLiteral("1");
    }

    void loadAndStoreBack()
    {
        QFETCH(QString, folderOpts);
        QFETCH(QString, nameOpts);
        QFETCH(QString, format);
        TempDataFolder folder;
        const QString out = folder.root() + QStringLiteral("/out");
        QVERIFY(QDir().mkpath(out));
        QVERIFY(TempDataFolder::write(preferencesPath(),
                                      preferenceFile(folderOpts, out, nameOpts, "_x", format)));
        {
            CGeneralConfDlg page;
            QTEST(page.otherFolderRadio()->isChecked(), "otherFolder");
            QCOMPARE(page.sourceFolderRadio()->isChecked(), !page.otherFolderRadio()->isChecked());
            QCOMPARE(page.browseButton()->isEnabled(), page.otherFolderRadio()->isChecked());
            QTEST(page.renameRadio()->isChecked(), "rename");
            QCOMPARE(page.suffixField()->isEnabled(), page.renameRadio()->isChecked());
            QTEST(page.formatList()->currentIndex(), "formatIndex");
        }
        QTEST(preferenceElement("OutputFolderOpts"), "storedFolderOpts");
        QTEST(preferenceElement("OutputFileNameOpts"), "storedNameOpts");
        QTEST(preferenceElement("OutputFormat"), "storedFormat");
        QCOMPARE(preferenceElement("OutputFolderPath"), out);
        QCOMPARE(preferenceElement("OutputFileNameSuffix"), QStringLiteral("_x"));
    }

    // The lossless JPEG box reads and writes "config.ini" only (only when it changed, keeping
    // the other keys); "preference.xml" keeps the bytes of a first start. Closing the page
    // also sets the choice that the next batch renders with.
    void losslessBoxIsKeptInConfigIni_data()
    {
        QTest::addColumn<QByteArray>("before"); // empty: no config.ini
        QTest::addColumn<bool>("click");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QByteArray>("after"); // empty: still no config.ini
        QTest::addColumn<bool>("renders");
        const QByteArray on = "[\xe5\xb8\xb8\xe8\xa7\x84]\r\ntemplate=2\r\nLosslessJpeg=1\r\n";
        const QByteArray off = "[\xe5\xb8\xb8\xe8\xa7\x84]\r\ntemplate=2\r\nLosslessJpeg=0\r\n";
        const QByteArray other = "[\xe5\xb8\xb8\xe8\xa7\x84]\r\ntemplate=2\r\nLosslessJpeg=2\r\n";
        QTest::newRow("no file, left alone") << QByteArray() << false << false << QByteArray() << false;
        QTest::newRow("no file, switched on")
            << QByteArray() << true << false << QByteArray("[\xe5\xb8\xb8\xe8\xa7\x84]\r\nLosslessJpeg=1\r\n")
            << true;
        QTest::newRow("on, left alone") << on << false << true << on << true;
        QTest::newRow("on, switched off") << on << true << true << off << false;
        QTest::newRow("other value reads off") << other << false << false << other << false;
    }

    void losslessBoxIsKeptInConfigIni()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, click);
        TempDataFolder folder;
        const QByteArray preferences = firstStartWithConfigIni(before);
        QVERIFY(!preferences.isEmpty());
        {
            CGeneralConfDlg page;
            page.show();
            QTEST(page.losslessBox()->isChecked(), "checked");
            if (click)
                clickOption(page.losslessBox());
        }
        QFETCH(QByteArray, after);
        QCOMPARE(QFileInfo::exists(configIniPath()), !after.isEmpty());
        QCOMPARE(TempDataFolder::read(configIniPath()), after);
        QCOMPARE(TempDataFolder::read(preferencesPath()), preferences);
        QTEST(readLosslessJpeg(), "renders");
    }

    // The output quality section reads and writes "config.ini" only, and only once a value
    // changed (then all five keys, the other keys kept); what it shows is what a batch renders
    // with after the page closes. Values out of range show the defaults.
    void qualitySectionIsKeptInConfigIni_data()
    {
        QTest::addColumn<QByteArray>("before"); // empty: no config.ini
        QTest::addColumn<int>("setQuality");    // 0: left alone
        QTest::addColumn<int>("setSampling");   // -1: left alone
        QTest::addColumn<int>("shownQuality");
        QTest::addColumn<int>("shownSampling");
        QTest::addColumn<QByteArray>("after"); // empty: still no config.ini
        const QByteArray section = "[\xe5\xb8\xb8\xe8\xa7\x84]\r\ntemplate=2\r\n";
        const QByteArray chosen = section + "OutputJpegQuality=85\r\nOutputJpegSampling=2\r\n"
                                            "OutputJpegProgressive=0\r\nOutputWebpQuality=90\r\n"
                                            "OutputWebpLossless=0\r\n";
        QTest::newRow("no file, left alone") << QByteArray() << 0 << -1 << 98 << 0 << QByteArray();
        QTest::newRow("quality 85 and 4:4:4 chosen") << section << 85 << 2 << 98 << 0 << chosen;
        QTest::newRow("stored values shown, left alone") << chosen << 0 << -1 << 85 << 2 << chosen;
        QTest::newRow("out of range shows the defaults")
            << QByteArray(section + "OutputJpegQuality=0\r\nOutputJpegSampling=7\r\n") << 0 << -1 << 98 << 0
            << QByteArray(section + "OutputJpegQuality=0\r\nOutputJpegSampling=7\r\n");
    }

    void qualitySectionIsKeptInConfigIni()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, setQuality);
        QFETCH(int, setSampling);
        TempDataFolder folder;
        const QByteArray preferences = firstStartWithConfigIni(before);
        QVERIFY(!preferences.isEmpty());
        OutputQuality shown;
        {
            CGeneralConfDlg page;
            page.show();
            QTEST(page.qualityBox()->jpegQualityField()->value(), "shownQuality");
            QTEST(page.qualityBox()->samplingList()->currentIndex(), "shownSampling");
            if (setQuality > 0)
                page.qualityBox()->jpegQualityField()->setValue(setQuality);
            if (setSampling >= 0)
                page.qualityBox()->samplingList()->setCurrentIndex(setSampling);
            shown = page.qualityBox()->value();
        }
        QFETCH(QByteArray, after);
        QCOMPARE(QFileInfo::exists(configIniPath()), !after.isEmpty());
        QCOMPARE(TempDataFolder::read(configIniPath()), after);
        QCOMPARE(TempDataFolder::read(preferencesPath()), preferences);
        QVERIFY(readOutputQuality() == shown);
    }

    // Storing replaces element texts in place: everything else in the file stays as it was.
    void storingKeepsTheRestOfTheFile()
    {
        TempDataFolder folder;
        const QByteArray before = QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                                    "<!-- kept -->\r\n"
                                                    "<Preferences>\r\n"
                                                    "<OutputFolderOpts>0</OutputFolderOpts>\r\n"
                                                    "<Extra>still here</Extra>\r\n"
                                                    "<OutputFileNameOpts>1</OutputFileNameOpts>\r\n"
                                                    "<OutputFileNameSuffix>_new</OutputFileNameSuffix>\r\n"
                                                    "<OutputFormat>0</OutputFormat>\r\n"
                                                    "<JpegQuality>77</JpegQuality>\r\n"
                                                    "<OpenQuickStartDlg>1</OpenQuickStartDlg>\r\n"
                                                    "</Preferences>\r\n");
        QVERIFY(TempDataFolder::write(preferencesPath(), before));
        {
            CGeneralConfDlg page;
            QVERIFY(page.pathField()->text().isEmpty()); // no path element: the field stays empty
            page.formatList()->setCurrentIndex(1);
            page.suffixField()->setText(QStringLiteral("<&>"));
        }
        QByteArray expected = before;
        expected.replace("<OutputFormat>0<", "<OutputFormat>1<");
        const QByteArray after = TempDataFolder::read(preferencesPath());
        QCOMPARE(preferenceElement("OutputFileNameSuffix"), QStringLiteral("<&>"));
        // Apart from the suffix (escaped as the XML layer writes it) the text is unchanged.
        const qsizetype start = after.indexOf("<OutputFileNameSuffix>");
        const qsizetype end = after.indexOf("</OutputFileNameSuffix>");
        QByteArray normalised = after.left(start) + "<OutputFileNameSuffix>_new" + after.mid(end);
        QCOMPARE(normalised, expected);
    }

    void radioButtonsSwitchBrowseAndSuffix()
    {
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        CGeneralConfDlg page;
        page.show();
        clickOption(page.otherFolderRadio());
        QVERIFY(page.browseButton()->isEnabled());
        QVERIFY(page.pathField()->isEnabled() && !page.pathField()->isReadOnly()); // a path may be typed
        clickOption(page.sourceFolderRadio());
        QVERIFY(!page.browseButton()->isEnabled());

        page.suffixField()->setText(QStringLiteral("_wm"));
        clickOption(page.keepNameRadio());
        QVERIFY(!page.suffixField()->isEnabled());
        QCOMPARE(page.suffixField()->text(), QStringLiteral("_wm"));
        clickOption(page.renameRadio());
        QVERIFY(page.suffixField()->isEnabled());
    }

    void keepNameStoresZeroAndTheSuffixText()
    {
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        CPreferenceDlg window;
        window.show();
        CGeneralConfDlg* page = window.generalPage();
        page->suffixField()->setText(QStringLiteral("_stamped"));
        clickOption(page->keepNameRadio());
        window.close();
        QCOMPARE(preferenceElement("OutputFileNameOpts"), QStringLiteral("0"));
        QCOMPARE(preferenceElement("OutputFileNameSuffix"), QStringLiteral("_stamped"));
    }

    void chosenFolderIsStoredAndUsedByTheNextBatch()
    {
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        QVERIFY(CreateDefaultTemplates());
        const QString target = folder.root() + QStringLiteral("/chosen output");
        QVERIFY(QDir().mkpath(target));

        FolderChooserScript script;
        script.folder = target;
        script.screenshot = QStringLiteral(LUMORA_BUILD_DIR "/screenshots/folder_chooser.png");
        {
            CPreferenceDlg window;
            window.show();
            CGeneralConfDlg* page = window.generalPage();
            clickOption(page->otherFolderRadio());
            ModalCatcher catcher = script.catcher();
            QTest::mouseClick(page->browseButton(), Qt::LeftButton);
            QCOMPARE(script.runs, 1);
            QCOMPARE(page->pathField()->text(), target);
            page->formatList()->setCurrentIndex(3);
            window.close();
        }
        QCOMPARE(script.seenTitle, QStringLiteral("Select a folder"));
        QVERIFY(!script.newFolderButtonVisible);
        QCOMPARE(CFolderDlg::initialFolder(),
                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        QCOMPARE(preferenceElement("OutputFolderOpts"), QStringLiteral("1"));
        QCOMPARE(preferenceElement("OutputFolderPath"), target);
        QCOMPARE(preferenceElement("OutputFormat"), QStringLiteral("3"));

        // The next batch writes into that folder, creating it when it has gone.
        QVERIFY(QDir(target).removeRecursively());
        const QString photo = folder.root() + QStringLiteral("/photos/beach.jpg");
        QVERIFY(writeTestPhoto(photo));
        RenderSettings run;
        run.templateName = QStringLiteral("Demo 1");
        QCOMPARE(run.reloadOutputChoices(), QString());
        const ComposeOutcome outcome = composeWatermarkOutcome(ComposeMode::BatchOutput, run, photo);
        QVERIFY2(outcome.ok(), qPrintable(outcome.sentence()));
        QCOMPARE(outcome.outputPath, target + QStringLiteral("/beach_new.tiff"));
        QVERIFY(QFileInfo::exists(outcome.outputPath));
    }

    // A format index outside the list is stored as "-1"; the batch then writes JPEG.
    void emptyFormatSelectionWritesJpeg()
    {
        TempDataFolder folder;
        QVERIFY(CreateDefaultTemplates());
        QVERIFY(TempDataFolder::write(preferencesPath(), preferenceFile("0", QString(), "1", "_new", "9")));
        {
            CPreferenceDlg window;
            window.show();
            CGeneralConfDlg* page = window.generalPage();
            QVERIFY(page);
            QCOMPARE(page->formatList()->currentIndex(), -1);
            window.close();
        }
        QCOMPARE(preferenceElement("OutputFormat"), QStringLiteral("-1"));

        const QString photo = folder.root() + QStringLiteral("/photos/hill.png");
        QVERIFY(writeTestPhoto(photo));
        RenderSettings run;
        run.templateName = QStringLiteral("Demo 1");
        QCOMPARE(run.reloadOutputChoices(), QString());
        const ComposeOutcome outcome = composeWatermarkOutcome(ComposeMode::BatchOutput, run, photo);
        QVERIFY2(outcome.ok(), qPrintable(outcome.sentence()));
        QCOMPARE(outcome.outputPath, folder.root() + QStringLiteral("/photos/hill_new.jpg"));
        QVERIFY(TempDataFolder::read(outcome.outputPath).startsWith("\xFF\xD8\xFF"));
    }

    void cancelledChooserKeepsThePath()
    {
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        CGeneralConfDlg page;
        page.show();
        clickOption(page.otherFolderRadio());
        const QString before = page.pathField()->text();
        QVERIFY(!before.isEmpty());
        FolderChooserScript script; // no folder: cancels
        {
            ModalCatcher catcher = script.catcher();
            QTest::mouseClick(page.browseButton(), Qt::LeftButton);
        }
        QCOMPARE(script.runs, 1);
        QCOMPARE(page.pathField()->text(), before);
    }

    void folderChooserResults()
    {
        TempDataFolder folder;
        QVERIFY(QDir().mkpath(folder.data()));
        FolderChooserScript script;
        script.folder = folder.root();
        ModalCatcher catcher = script.catcher();
        CFolderDlg chosen(false, folder.data(), nullptr);
        QCOMPARE(chosen.doModal(), int(CFolderDlg::Chosen));
        QCOMPARE(chosen.getPath(), QDir(folder.root()).absolutePath());
        QCOMPARE(script.seenDirectory, QDir(folder.data()).absolutePath());
        QVERIFY(script.newFolderButtonVisible);

        script.folder.clear();
        CFolderDlg cancelled(true, QString(), nullptr);
        QCOMPARE(CFolderDlg::initialFolder(), QDir::currentPath());
        QCOMPARE(cancelled.doModal(), int(CFolderDlg::Cancelled));
        QVERIFY(cancelled.getPath().isEmpty());
    }

    void enterAndEscapeClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("onSuffixField");
        QTest::newRow("escape on window") << int(Qt::Key_Escape) << false;
        QTest::newRow("enter on window") << int(Qt::Key_Return) << false;
        QTest::newRow("escape in suffix") << int(Qt::Key_Escape) << true;
        QTest::newRow("enter in suffix") << int(Qt::Key_Return) << true;
        QTest::newRow("keypad enter in suffix") << int(Qt::Key_Enter) << true;
    }

    // The window has no cancel: both keys close it, and closing stores (the page is gone).
    void enterAndEscapeClose()
    {
        QFETCH(int, key);
        QFETCH(bool, onSuffixField);
        DefaultSettingsWindow shown;
        CGeneralConfDlg* page = shown.show();
        QVERIFY(page);
        CPreferenceDlg& window = shown.window;
        QWidget* target = onSuffixField ? static_cast<QWidget*>(page->suffixField()) : &window;
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(!window.generalPage());
    }

    void preferenceWindowLayout()
    {
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        CPreferenceDlg window;
        QCOMPARE(window.windowTitle(), QStringLiteral("首选项"));
        QCOMPARE(window.tabBar()->count(), 1);
        QCOMPARE(window.tabBar()->tabText(0), QStringLiteral("常规"));
        CGeneralConfDlg* page = window.generalPage();
        QVERIFY(page);
        // The page sits whole inside the tab control, which sits whole inside the window.
        QVERIFY(window.tabControl()->rect().contains(page->geometry()));
        QVERIFY(window.rect().contains(window.tabControl()->geometry()));
        QCOMPARE(window.width() - page->width(), 26);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.grab().save(QStringLiteral(LUMORA_BUILD_DIR "/screenshots/preference_window.png"));
    }

    // Unusable values are refused when the window closes; the previous ones stay in the file.
    void unusableValuesAreRefused_data()
    {
        QTest::addColumn<QString>("suffix");
        // The other folder chosen with this path typed (%T: a test folder); null: not chosen.
        QTest::addColumn<QString>("typedPath");
        QTest::addColumn<int>("messages");
        QTest::addColumn<QString>("storedSuffix");
        QTest::addColumn<QString>("storedFolderOpts");
        QTest::addColumn<QString>("storedPath"); // null: the path of the first start
        const QString none;
        QTest::newRow("slash in suffix") << QStringLiteral("_a/../../x") << none << 1
                                         << QStringLiteral("_new") << QStringLiteral("0") << none;
        QTest::newRow("escape in suffix") << QStringLiteral("_\x1b[31m") << none << 1
                                          << QStringLiteral("_new") << QStringLiteral("0") << none;
        QTest::newRow("delete in suffix")
            << QStringLiteral("_a\x7f") << none << 1 << QStringLiteral("_new") << QStringLiteral("0") << none;
        QTest::newRow("typed folder to be made")
            << QStringLiteral("_ok") << QStringLiteral("%T/made/later") << 0 << QStringLiteral("_ok")
            << QStringLiteral("1") << QStringLiteral("%T/made/later");
        QTest::newRow("typed relative folder") << QStringLiteral("_ok") << QStringLiteral("photos/out") << 1
                                               << QStringLiteral("_ok") << QStringLiteral("0") << none;
        QTest::newRow("typed folder below a file")
            << QStringLiteral("_ok") << QStringLiteral("%T/file.txt/out") << 1 << QStringLiteral("_ok")
            << QStringLiteral("0") << none;
        QTest::newRow("plain suffix")
            << QStringLiteral("_ok") << none << 0 << QStringLiteral("_ok") << QStringLiteral("0") << none;
        QTest::newRow("backslash allowed")
            << QStringLiteral("_a\\b") << none << 0 << QStringLiteral("_a\\b") << QStringLiteral("0") << none;
        QTest::newRow("other folder without path") << QStringLiteral("_ok") << QStringLiteral("") << 1
                                                   << QStringLiteral("_ok") << QStringLiteral("0") << none;
        QTest::newRow("both") << QStringLiteral("/") << QStringLiteral("") << 2 << QStringLiteral("_new")
                              << QStringLiteral("0") << none;
    }

    void unusableValuesAreRefused()
    {
        QFETCH(QString, suffix);
        QFETCH(QString, typedPath);
        QFETCH(QString, storedPath);
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        QVERIFY(TempDataFolder::write(scratch.filePath(QStringLiteral("file.txt")), "not a folder"));
        typedPath.replace(QLatin1String("%T"), scratch.path());
        storedPath.replace(QLatin1String("%T"), scratch.path());
        const QString path = storedPath.isNull() ? preferenceElement("OutputFolderPath") : storedPath;
        ModalCatcher catcher; // closes every message box with OK
        {
            CPreferenceDlg window;
            window.show();
            CGeneralConfDlg* page = window.generalPage();
            page->suffixField()->setText(suffix);
            page->formatList()->setCurrentIndex(2);
            if (!typedPath.isNull()) {
                clickOption(page->otherFolderRadio());
                page->pathField()->clear();
                QTest::keyClicks(page->pathField(), typedPath);
            }
            window.close();
        }
        QTEST(int(catcher.texts.size()), "messages");
        for (const QString& title : catcher.titles)
            QCOMPARE(title, QStringLiteral("Lumora Plenum"));
        QTEST(preferenceElement("OutputFileNameSuffix"), "storedSuffix");
        QTEST(preferenceElement("OutputFolderOpts"), "storedFolderOpts");
        QCOMPARE(preferenceElement("OutputFolderPath"), path);
        QCOMPARE(preferenceElement("OutputFormat"), QStringLiteral("2")); // the rest is stored
    }

    // The lossless box acts on JPEG outputs only; the warning shows for the combination that
    // can fail photos or replace other photos of the folder.
    void dependentControls_data()
    {
        QTest::addColumn<bool>("sourceFolder");
        QTest::addColumn<bool>("keepName");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("existing");
        QTest::addColumn<bool>("losslessEnabled");
        QTest::addColumn<bool>("warning");
        QTest::newRow("jpeg, other folder, suffix") << false << false << 0 << 0 << true << false;
        QTest::newRow("png") << false << false << 1 << 0 << false << false;
        QTest::newRow("webp") << true << false << 4 << 0 << false << false;
        QTest::newRow("source folder, name kept, replace") << true << true << 0 << 0 << true << true;
        QTest::newRow("source folder, name kept, keep both") << true << true << 1 << 2 << false << false;
        QTest::newRow("other folder, name kept") << false << true << 0 << 0 << true << false;
        QTest::newRow("source folder, suffix") << true << false << 0 << 0 << true << false;
    }

    void dependentControls()
    {
        QFETCH(bool, sourceFolder);
        QFETCH(bool, keepName);
        QFETCH(int, format);
        QFETCH(int, existing);
        DefaultSettingsWindow shown;
        CGeneralConfDlg* page = shown.show();
        QVERIFY(page);
        clickOption(sourceFolder ? page->sourceFolderRadio() : page->otherFolderRadio());
        clickOption(keepName ? page->keepNameRadio() : page->renameRadio());
        page->formatList()->setCurrentIndex(format);
        page->existingList()->setCurrentIndex(existing);
        QTEST(page->losslessBox()->isEnabled(), "losslessEnabled");
        QTEST(page->keepNameWarning()->isVisible(), "warning");
        if (page->keepNameWarning()->isVisible()) {
            // Shown whole inside the window, whose size was fixed when it opened.
            QLabel* warning = page->keepNameWarning();
            const QRect inPage(warning->mapTo(page, QPoint()), warning->size());
            QVERIFY(page->rect().contains(inPage));
            QVERIFY(warning->height() >= warning->heightForWidth(warning->width()));
            QVERIFY(shown.window.grab().save(
                QStringLiteral(LUMORA_BUILD_DIR "/screenshots/output_settings_warning.png")));
        }
    }

    // The choice for outputs that exist already lives in config.ini only, written when it
    // changed; preference.xml keeps its bytes; the next batch and the next window read it.
    void existingChoiceIsKeptInConfigIni()
    {
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        const QByteArray preferences = TempDataFolder::read(preferencesPath());
        const QByteArray before = "[\xe5\xb8\xb8\xe8\xa7\x84]\r\ntemplate=2\r\n";
        QVERIFY(TempDataFolder::write(configIniPath(), before));
        {
            CGeneralConfDlg page; // left alone: nothing written
        }
        QCOMPARE(TempDataFolder::read(configIniPath()), before);
        {
            CGeneralConfDlg page;
            page.existingList()->setCurrentIndex(int(OutputSettings::KeepBoth));
        }
        QCOMPARE(TempDataFolder::read(configIniPath()), before + "IfOutputExists=2\r\n");
        QCOMPARE(TempDataFolder::read(preferencesPath()), preferences);
        QCOMPARE(readExistingOutputChoice(), OutputSettings::KeepBoth);
        CGeneralConfDlg again;
        QCOMPARE(again.existingList()->currentIndex(), int(OutputSettings::KeepBoth));
    }

    void screenshotOfThePage()
    {
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        CGeneralConfDlg page;
        page.resize(page.sizeHint());
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QVERIFY(page.grab().save(QStringLiteral(LUMORA_BUILD_DIR "/screenshots/output_settings_page.png")));
    }
};

QTEST_MAIN(OutputSettingsPageTest)
#include "tst_OutputSettingsPage.moc"
