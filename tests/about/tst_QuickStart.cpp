#include <QAbstractButton>
#include <QTest>

#include "about/SkinTestFolder.h"
#include "model/DataFiles.h"
#include "model/OutputSettings.h"
#include "support/TempDataFolder.h"
#include "ui/skin/CQuickStartDlgUI.h"
#include "xml/XmlDocument.h"

namespace {

QString storedOption()
{
    int value = -1;
    return loadOpenQuickStartDlg(value) ? QString::number(value) : QStringLiteral("<missing>");
}

void setStoredOption(const QByteArray& value)
{
    QByteArray file = TempDataFolder::read(preferencesPath());
    const qsizetype start = file.indexOf("<OpenQuickStartDlg>") + int(sizeof("<OpenQuickStartDlg>")) - 1;
    const qsizetype end = file.indexOf("</OpenQuickStartDlg>");
    file.replace(start, end - start, value);
    QVERIFY(TempDataFolder::write(preferencesPath(), file));
}

} // namespace

class QuickStartTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useSourceSkin(); }

    // Every click stores the option's new state at once.
    void clicksStoreAtOnce_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QString>("stored");
        QTest::newRow("ticked once") << QByteArray("0") << 1 << "1";
        QTest::newRow("ticked and unticked") << QByteArray("0") << 2 << "0";
        QTest::newRow("three clicks") << QByteArray("0") << 3 << "1";
        QTest::newRow("opens unticked though stored 1") << QByteArray("1") << 0 << "1";
        QTest::newRow("one click after stored 1 ticks it") << QByteArray("1") << 1 << "1";
        QTest::newRow("two clicks after stored 1 store 0") << QByteArray("1") << 2 << "0";
    }

    void clicksStoreAtOnce()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, clicks);
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        setStoredOption(before);
        CQuickStartDlgUI window;
        QVERIFY2(window.Create(), qPrintable(window.errorString()));
        window.show();
        QAbstractButton* option = window.dontShowOption();
        QVERIFY(option);
        QVERIFY(!option->isChecked());
        if (clicks == 0) { // the window as it opens, for a person to judge
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(window.grab().save(QStringLiteral(LUMORA_BUILD_DIR "/screenshots/quick_start.png")));
        }
        for (int i = 0; i < clicks; ++i) {
            QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
            QCOMPARE(storedOption(), option->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        }
        QTEST(storedOption(), "stored");
        window.close();
        QTEST(storedOption(), "stored"); // closing stores nothing more
    }

    void missingElementIsNotAdded()
    {
        TempDataFolder folder;
        const QByteArray file = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Preferences>\r\n"
                                "<OutputFormat>1</OutputFormat>\r\n</Preferences>\r\n";
        QVERIFY(TempDataFolder::write(preferencesPath(), file));
        CQuickStartDlgUI window;
        QVERIFY(window.Create());
        window.show();
        QTest::mouseClick(window.dontShowOption(), Qt::LeftButton, {}, QPoint(6, 6));
        QCOMPARE(TempDataFolder::read(preferencesPath()), file);
    }

    void missingFileStoresNothing()
    {
        TempDataFolder folder;
        CQuickStartDlgUI window;
        QVERIFY(window.Create());
        window.show();
        QTest::mouseClick(window.dontShowOption(), Qt::LeftButton, {}, QPoint(6, 6));
        QVERIFY(!QFileInfo::exists(preferencesPath()));
    }

    void closingButtons_data() { addClosingButtonRows(); }

    void closingButtons()
    {
        QFETCH(QString, button);
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        const ClosedWindow closed = closeWithButton<CQuickStartDlgUI>(nullptr, button);
        QCOMPARE(closed.objectName, QStringLiteral("CQuickStartDlgUI"));
        QVERIFY(closed.closedByButton);
        QCOMPARE(closed.result, 0);
        QVERIFY(closed.deletedItself);
        QCOMPARE(storedOption(), QStringLiteral("0"));
    }
};

QTEST_MAIN(QuickStartTest)
#include "tst_QuickStart.moc"
