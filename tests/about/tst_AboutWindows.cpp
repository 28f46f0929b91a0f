#include <QAbstractButton>
#include <QDesktopServices>
#include <QLabel>
#include <QTest>
#include <QUrl>

#include "about/SkinTestFolder.h"
#include "ui/skin/AboutAddresses.h"
#include "ui/skin/CAboutDlgUI.h"

// Catches the addresses the window asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    UrlCatcher()
    {
        for (const char* scheme : {"https", "http", "mailto"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~UrlCatcher() override
    {
        for (const char* scheme : {"https", "http", "mailto"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class AboutWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useSourceSkin(); }
    void cleanup() { CAboutDlgUI::setVersionReader({}); }

    void versionLabel_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("screenshot");
        QTest::newRow("version 2.1.5") << 0 << "Lumora Plenum v2.1.5 "
                                       << "about_skinned.png";
        QTest::newRow("unreadable version shows zeros") << -1 << "Lumora Plenum v0.0.0 " << QString();
    }

    void versionLabel()
    {
        QFETCH(int, status);
        CAboutDlgUI::setVersionReader([status](int* major, int* minor, int* build) {
            *major = 2;
            *minor = 1;
            *build = 5;
            return status;
        });
        CAboutDlgUI window;
        QVERIFY2(window.Create(), qPrintable(window.errorString()));
        auto* label = qobject_cast<QLabel*>(window.FindControl(QStringLiteral("version_label")));
        QVERIFY(label);
        QTEST(label->text(), "label");
        auto* title = qobject_cast<QLabel*>(window.FindControl(QStringLiteral("title_label")));
        QVERIFY(title);
        QCOMPARE(title->text(), QStringLiteral("关于 Lumora Plenum"));
        QFETCH(QString, screenshot);
        if (!screenshot.isEmpty()) {
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(window.grab().save(QStringLiteral(LUMORA_BUILD_DIR "/screenshots/") + screenshot));
        }
    }

    // Without a reader set the window shows the version the build was made with.
    void versionOfTheRunningProgram()
    {
        CAboutDlgUI window;
        QVERIFY(window.Create());
        auto* label = qobject_cast<QLabel*>(window.FindControl(QStringLiteral("version_label")));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("Lumora Plenum v%1.%2.%3 ")
                                    .arg(LUMORA_VERSION_MAJOR)
                                    .arg(LUMORA_VERSION_MINOR)
                                    .arg(LUMORA_VERSION_PATCH));
        QCOMPARE(window.objectName(), QStringLiteral("CAboutDlgUI"));
        QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    }

    void closingButtons_data() { addClosingButtonRows(); }

    // The window runs modally, centred over its owner, ends with 0 and deletes itself.
    void closingButtons()
    {
        QFETCH(QString, button);
        QWidget owner;
        owner.resize(800, 600);
        owner.show();
        const ClosedWindow closed = closeWithButton<CAboutDlgUI>(&owner, button);
        QCOMPARE(closed.objectName, QStringLiteral("CAboutDlgUI"));
        QVERIFY(closed.closedByButton);
        QCOMPARE(closed.result, 0);
        QVERIFY(closed.offsetFromOwner.manhattanLength() <= 2);
        QVERIFY(closed.deletedItself);
    }

    void linkButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("address");
        QTest::newRow("home page") << "website_btn" << AboutAddresses::kHomePage;
        QTest::newRow("support mail") << "mailto_btn" << AboutAddresses::kSupportMail;
        QTest::newRow("video page") << "youtube_btn" << AboutAddresses::kVideoPage;
    }

    void linkButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, address);
        UrlCatcher urls;
        CAboutDlgUI window;
        QVERIFY(window.Create());
        window.show();
        auto* control = qobject_cast<QAbstractButton*>(window.FindControl(button));
        QVERIFY(control);
        QTest::mouseClick(control, Qt::LeftButton);
        QCOMPARE(urls.opened, QList<QUrl>{QUrl(address)});
        QCoreApplication::processEvents();
        QVERIFY(window.isVisible());
    }
};

QTEST_MAIN(AboutWindowsTest)
#include "tst_AboutWindows.moc"
