#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "model/DataFiles.h"
#include "model/OutputSettings.h"
#include "model/RenderSettings.h"
#include "model/ResizeSettings.h"
#include "model/TemplateStore.h"
#include "render/ComposeWatermark.h"
#include "services/ini/IniFile.h"
#include "settings/SettingsTestSupport.h"
#include "support/TempDataFolder.h"
#include "ui/settings/CImgResizingSettingDlg.h"

namespace {

QString stored(const QString& key)
{
    return IniFile::readString(resizingConfigPath(), profileSectionName(), key, QStringLiteral("<missing>"));
}

void writeIni(int scaleType, const QString& width, const QString& height, int everyTime)
{
    QVERIFY(writeResizeSettings(scaleType, width, height, everyTime));
}

} // namespace

class ResizingWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void freshStateWithoutFile()
    {
        TempDataFolder folder;
        CImgResizingSettingDlg window;
        QCOMPARE(window.windowTitle(), QStringLiteral("图像大小设置"));
        QVERIFY(window.widthRadio()->isChecked());
        QVERIFY(window.widthEdit()->isEnabled());
        QVERIFY(!window.heightEdit()->isEnabled());
        QCOMPARE(window.widthEdit()->text(), QStringLiteral("800"));
        QCOMPARE(window.heightEdit()->text(), QStringLiteral("600"));
        QVERIFY(!window.resizeBox()->isChecked());
        QVERIFY(!window.everyTimeBox()->isChecked());
        QCOMPARE(window.note()->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    }

    void closingUntouchedWritesTheDefaults()
    {
        TempDataFolder folder;
        {
            CImgResizingSettingDlg window;
            window.show();
            window.close();
            QVERIFY(!window.resizePictures());
        }
        QCOMPARE(stored("ScaleType"), QStringLiteral("1"));
        QCOMPARE(stored("TargetWidth"), QStringLiteral("800"));
        QCOMPARE(stored("TargetHeight"), QStringLiteral("600"));
        QCOMPARE(stored("ResizeEveryTime"), QStringLiteral("0"));
    }

    // What the file holds when the window opens, and which controls that gives.
    void opensFromTheFile_data()
    {
        QTest::addColumn<int>("scaleType");
        QTest::addColumn<bool>("width");
        QTest::addColumn<bool>("height");
        QTest::addColumn<bool>("absolute");
        QTest::addColumn<bool>("widthEnabled");
        QTest::addColumn<bool>("heightEnabled");
        QTest::addColumn<QString>("storedScaleType");
        QTest::newRow("by width") << 1 << true << false << false << true << false << "1";
        QTest::newRow("by height") << 2 << false << true << false << false << true << "2";
        QTest::newRow("absolute") << 3 << false << false << true << true << true << "3";
        QTest::newRow("unknown type") << 7 << false << false << false << true << true << "1";
        QTest::newRow("zero type") << 0 << false << false << false << true << true << "1";
    }

    void opensFromTheFile()
    {
        QFETCH(int, scaleType);
        TempDataFolder folder;
        writeIni(scaleType, QStringLiteral("1024"), QStringLiteral("768"), 1);
        {
            CImgResizingSettingDlg window;
            QTEST(window.widthRadio()->isChecked(), "width");
            QTEST(window.heightRadio()->isChecked(), "height");
            QTEST(window.absoluteRadio()->isChecked(), "absolute");
            QTEST(window.widthEdit()->isEnabled(), "widthEnabled");
            QTEST(window.heightEdit()->isEnabled(), "heightEnabled");
            QCOMPARE(window.widthEdit()->text(), QStringLiteral("1024"));
            QCOMPARE(window.heightEdit()->text(), QStringLiteral("768"));
            QVERIFY(window.everyTimeBox()->isChecked());
            window.show();
            window.close();
        }
        QTEST(stored("ScaleType"), "storedScaleType");
        QCOMPARE(stored("ResizeEveryTime"), QStringLiteral("1"));
    }

    void radioButtonsSwitchTheEdits()
    {
        TempDataFolder folder;
        CImgResizingSettingDlg window;
        window.show();
        clickOption(window.heightRadio());
        QVERIFY(!window.widthEdit()->isEnabled());
        QVERIFY(window.heightEdit()->isEnabled());
        clickOption(window.absoluteRadio());
        QVERIFY(window.widthEdit()->isEnabled());
        QVERIFY(window.heightEdit()->isEnabled());
        clickOption(window.widthRadio());
        QVERIFY(window.widthEdit()->isEnabled());
        QVERIFY(!window.heightEdit()->isEnabled());
    }

    void editsTakeDigitsOnly()
    {
        TempDataFolder folder;
        CImgResizingSettingDlg window;
        window.show();
        window.widthEdit()->clear();
        window.widthEdit()->setFocus();
        QTest::keyClicks(window.widthEdit(), QStringLiteral("1a2-3 4"));
        QCOMPARE(window.widthEdit()->text(), QStringLiteral("1234"));
    }

    void disabledEditTextIsStored()
    {
        TempDataFolder folder;
        {
            CImgResizingSettingDlg window;
            window.show();
            clickOption(window.absoluteRadio());
            window.heightEdit()->setText(QStringLiteral("480"));
            window.widthEdit()->clear();
            clickOption(window.widthRadio());
            QVERIFY(!window.heightEdit()->isEnabled());
            window.close();
        }
        QCOMPARE(stored("ScaleType"), QStringLiteral("1"));
        QCOMPARE(stored("TargetWidth"), QString()); // an emptied edit is stored empty
        QCOMPARE(stored("TargetHeight"), QStringLiteral("480"));
        QCOMPARE(readResizeSettings().TargetWidth, 0);
    }

    // An emptied target edit reads back as 0; the batch then refuses the photo, naming the
    // size the settings give, instead of writing it at a size nobody chose.
    void emptiedTargetRefusesThePhoto()
    {
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        QVERIFY(CreateDefaultTemplates());
        {
            CImgResizingSettingDlg window;
            window.show();
            window.widthEdit()->clear();
            clickOption(window.everyTimeBox());
            window.close();
        }
        RenderSettings run;
        run.templateName = QStringLiteral("Demo 1");
        run.resize = readResizeSettings();
        QCOMPARE(run.reloadOutputChoices(), QString());
        const QString photo = folder.root() + QStringLiteral("/photos/field.png");
        QVERIFY(writeTestPhoto(photo, QSize(320, 240)));
        const ComposeOutcome outcome = composeWatermarkOutcome(ComposeMode::BatchOutput, run, photo);
        QVERIFY(!outcome.ok());
        QVERIFY2(outcome.sentence().contains(QStringLiteral("output size of 0 x 0")),
                 qPrintable(outcome.sentence()));
        QCOMPARE(QDir(folder.root() + QStringLiteral("/photos")).entryList(QDir::Files),
                 QStringList{QStringLiteral("field.png")});
    }

    void closingRemovesThePreviewCache()
    {
        TempDataFolder folder;
        const QString cached = PreviewCacheFolder() + QStringLiteral("/-1/photos/a.jpg");
        QVERIFY(TempDataFolder::write(cached, "png"));
        {
            CImgResizingSettingDlg window;
            window.show();
            window.close();
        }
        QVERIFY(!QFileInfo::exists(PreviewCacheFolder()));
    }

    // The resize box holds until the program exits; the every-time box across restarts.
    void resizingLastsAsLongAsItShould_data()
    {
        QTest::addColumn<bool>("resizeBox");
        QTest::addColumn<bool>("everyTimeBox");
        QTest::addColumn<QSize>("nowSize");
        QTest::addColumn<QSize>("afterRestartSize");
        QTest::newRow("neither") << false << false << QSize(4000, 3000) << QSize(4000, 3000);
        QTest::newRow("resize until exit") << true << false << QSize(800, 600) << QSize(4000, 3000);
        QTest::newRow("every time") << false << true << QSize(800, 600) << QSize(800, 600);
        QTest::newRow("both") << true << true << QSize(800, 600) << QSize(800, 600);
    }

    void resizingLastsAsLongAsItShould()
    {
        QFETCH(bool, resizeBox);
        QFETCH(bool, everyTimeBox);
        TempDataFolder folder;
        {
            CImgResizingSettingDlg window;
            window.show();
            if (resizeBox)
                clickOption(window.resizeBox());
            if (everyTimeBox)
                clickOption(window.everyTimeBox());
            window.close();
            QCOMPARE(window.resizePictures(), resizeBox);
        }
        QCOMPARE(stored("ResizeEveryTime"), everyTimeBox ? QStringLiteral("1") : QStringLiteral("0"));
        QTEST(ComputeOutputSize(readResizeSettings(), resizeBox, 4000, 3000), "nowSize");

        // The window opens again with the boxes as they were left (the switch as the main
        // window hands it back).
        {
            CImgResizingSettingDlg again(nullptr, resizeBox);
            QCOMPARE(again.resizeBox()->isChecked(), resizeBox);
            QCOMPARE(again.everyTimeBox()->isChecked(), everyTimeBox);
            again.show();
            again.close();
        }

        // A new start: the switch is off, the file stays.
        QTEST(ComputeOutputSize(readResizeSettings(), false, 4000, 3000), "afterRestartSize");
        CImgResizingSettingDlg afterRestart;
        QVERIFY(!afterRestart.resizeBox()->isChecked());
        QCOMPARE(afterRestart.everyTimeBox()->isChecked(), everyTimeBox);
    }

    void screenshot()
    {
        TempDataFolder folder;
        CImgResizingSettingDlg window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.grab().save(QStringLiteral(LUMORA_BUILD_DIR "/screenshots/resizing_window.png")));
        window.close();
    }
};

QTEST_MAIN(ResizingWindowTest)
#include "tst_ResizingWindow.moc"
