#include "services/messages/WindowMessage.h"
#include "services/update/UpdateAnswer.h"
#include "services/update/UpdateCheck.h"
#include "services/update/UpdateSettings.h"
#include "services/update/VersionTriple.h"
#include "support/ModalCatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QtTest>

class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class UpdateAnswerTest : public QObject
{
    Q_OBJECT

private slots:
    void answer_data();
    void answer();
    void windowsOwnBoxes_data();
    void windowsOwnBoxes();
};

void UpdateAnswerTest::answer_data()
{
    QTest::addColumn<int>("message");
    QTest::addColumn<int>("button"); // the button to press, 0 when no box may appear
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("opensDownloadPage");
    QTest::newRow("new version, yes")
        << int(NewVersionMessage) << int(QMessageBox::Yes) << UpdateAnswer::newVersionQuestion() << true;
    QTest::newRow("new version, no") << int(NewVersionMessage) << int(QMessageBox::No)
                                     << UpdateAnswer::newVersionQuestion() << false;
    QTest::newRow("latest version") << int(LatestVersionMessage) << int(QMessageBox::Ok)
                                    << UpdateAnswer::latestVersionNotice() << false;
    QTest::newRow("check failed") << int(UpdateCheckFailedMessage) << 0 << QString() << false;
}

void UpdateAnswerTest::answer()
{
    QFETCH(int, message);
    QFETCH(int, button);
    QFETCH(QString, text);
    QFETCH(bool, opensDownloadPage);

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "open");

    const ModalCatcher boxes = ModalCatcher::answering(QMessageBox::StandardButton(button));
    const VersionTriple server{3, 0, 0};
    QVERIFY(UpdateAnswer::answer(nullptr, message, versionWParam(server), versionLParam(server)));
    QCoreApplication::processEvents();

    QCOMPARE(boxes.texts, text.isEmpty() ? QStringList() : QStringList{text});
    QCOMPARE(boxes.titles, button ? QStringList{QStringLiteral("Lumora Plenum")} : QStringList());
    QCOMPARE(recorder.opened, opensDownloadPage ? QList<QUrl>{downloadPageUrl()} : QList<QUrl>());
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

void UpdateAnswerTest::windowsOwnBoxes_data()
{
    QTest::addColumn<int>("message");
    QTest::addColumn<bool>("quiet"); // the quiet flag: cleared by a check the person asks for
    QTest::addColumn<int>("button");
    QTest::addColumn<QStringList>("shown"); // icon number and text of each box
    QTest::addColumn<bool>("opensDownloadPage");
    const QString question = QString::number(QMessageBox::Question);
    QTest::newRow("new version, yes") << int(NewVersionMessage) << true << int(QMessageBox::Yes)
                                      << QStringList{question, UpdateAnswer::newVersionQuestion()} << true;
    QTest::newRow("new version, no") << int(NewVersionMessage) << true << int(QMessageBox::No)
                                     << QStringList{question, UpdateAnswer::newVersionQuestion()} << false;
    QTest::newRow("latest version") << int(LatestVersionMessage) << false << int(QMessageBox::Ok)
                                    << QStringList{QString::number(QMessageBox::Information),
                                                   UpdateAnswer::latestVersionNotice()}
                                    << false;
    QTest::newRow("check at start failed")
        << int(UpdateCheckFailedMessage) << true << int(QMessageBox::Ok) << QStringList() << false;
    QTest::newRow("asked-for check failed")
        << int(UpdateCheckFailedMessage) << false << int(QMessageBox::Ok)
        << QStringList{QString::number(QMessageBox::Warning), UpdateAnswer::serverUnreachableNotice()}
        << false;
}

// A window that passes its own box function gets every box through it.
void UpdateAnswerTest::windowsOwnBoxes()
{
    QFETCH(int, message);
    QFETCH(int, button);
    QFETCH(QStringList, shown);
    QFETCH(bool, opensDownloadPage);

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    QFETCH(bool, quiet);
    setUpdateCheckQuiet(quiet);
    QWidget window;
    QStringList seen;
    const auto showBox = [&](QWidget* parent, const QString& text, QMessageBox::Icon icon,
                             QMessageBox::StandardButtons buttons) {
        seen << QString::number(icon) << text;
        if (parent != &window || !buttons.testFlag(QMessageBox::StandardButton(button)))
            seen << QStringLiteral("wrong parent or buttons");
        return QMessageBox::StandardButton(button);
    };
    const VersionTriple server{3, 0, 0};
    QVERIFY(UpdateAnswer::answer(&window, message, versionWParam(server), versionLParam(server), showBox));
    QCOMPARE(seen, shown);
    QCOMPARE(recorder.opened, opensDownloadPage ? QList<QUrl>{downloadPageUrl()} : QList<QUrl>());
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    setUpdateCheckQuiet(true);
}

QTEST_MAIN(UpdateAnswerTest)
#include "tst_UpdateAnswer.moc"
