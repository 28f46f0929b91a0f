// The main window's file list in a real X window with a window manager (run through
// run-in-x.sh): selecting several photos and removing them, photos checked as they are added,
// the window's place and size kept from one start to the next, and the list with thumbnails
// (screenshots in build/screenshots/x11/, build/screenshots/x11/2x/ when scaled by two).

#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QWindow>

#include "ScreenShots.h"
#include "model/DataFiles.h"
#include "services/ini/IniFile.h"
#include "support/MainWindowFixture.h"
#include "ui/skin/PhotoRowDelegate.h"

namespace {

// The pixels of the row's status mark on the screen, compared with the mark's picture drawn
// over the list's background: true when every opaque pixel of the picture is there.
bool markOnScreen(const QImage& screen, SkinListView* list, int row, const QPixmap& mark)
{
    const PhotoRowDelegate* rows = qobject_cast<PhotoRowDelegate*>(list->itemDelegate());
    const QRect rowRect = list->visualRect(list->model()->index(row, 0)).marginsRemoved(QMargins(1, 0, 1, 0));
    const QPoint topLeft = list->viewport()->mapToGlobal(rowRect.topLeft() + rows->statusRect().topLeft());
    const qreal ratio = mark.devicePixelRatio();
    const QImage picture = mark.toImage().convertToFormat(QImage::Format_ARGB32);
    const QPoint origin(qRound(topLeft.x() * ratio), qRound(topLeft.y() * ratio));
    int opaque = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            if (qAlpha(p) < 255)
                continue;
            ++opaque;
            const QRgb s = screen.pixel(origin + QPoint(x, y));
            if (qAbs(qRed(s) - qRed(p)) > 16 || qAbs(qGreen(s) - qGreen(p)) > 16 ||
                qAbs(qBlue(s) - qBlue(p)) > 16)
                return false;
        }
    }
    return opaque > 10;
}

QString makeColouredPhoto(const QString& folder, const QString& name, const QColor& sky, const QColor& ground)
{
    QImage image(320, 200, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, 320, 120), sky);
    painter.fillRect(QRect(0, 120, 320, 80), ground);
    painter.setBrush(QColor(255, 220, 60));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(240, 50), 26, 26);
    painter.end();
    const QString path = folder + QLatin1Char('/') + name;
    image.save(path, nullptr, 90);
    return path;
}

} // namespace

class PhotoListTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
                 "run through tests/x11/run-in-x.sh");
    }

    // Clicks with Ctrl and Shift, and Ctrl+A, select several rows; Delete removes them all.
    void multiSelectionAndDelete_data()
    {
        QTest::addColumn<QString>("clicks"); // "3" a click, "c3" with Ctrl, "s3" with Shift, "A" Ctrl+A
        QTest::addColumn<QString>("left");   // the photos left after Delete
        QTest::newRow("ctrl clicks") << QStringLiteral("1 c3 c4") << QStringLiteral("0 2 5");
        QTest::newRow("ctrl click takes one back")
            << QStringLiteral("1 c2 c3 c2") << QStringLiteral("0 2 4 5");
        QTest::newRow("shift click") << QStringLiteral("1 s4") << QStringLiteral("0 5");
        QTest::newRow("shift then ctrl") << QStringLiteral("0 s2 c5") << QStringLiteral("3 4");
        QTest::newRow("ctrl+a") << QStringLiteral("2 A") << QStringLiteral("");
        QTest::newRow("one click") << QStringLiteral("5") << QStringLiteral("0 1 2 3 4");
    }

    void multiSelectionAndDelete()
    {
        QFETCH(QString, clicks);
        QFETCH(QString, left);
        MainWindowFixture f;
        f.open();
        QStringList photos;
        for (int i = 0; i < 6; ++i)
            photos.append(f.makePhoto(QStringLiteral("p%1.png").arg(i)));
        f.addPhotos(photos);
        SkinListView* list = f.ui()->fileList();
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        list->setFocus();
        for (const QString& click : clicks.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (click == QLatin1String("A")) {
                QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
                continue;
            }
            const Qt::KeyboardModifiers modifiers = click.startsWith('c')   ? Qt::ControlModifier
                                                    : click.startsWith('s') ? Qt::ShiftModifier
                                                                            : Qt::NoModifier;
            MainWindowFixture::clickRow(list, click.right(1).toInt(), modifiers);
        }
        QTest::keyClick(list, Qt::Key_Delete);
        QStringList expected;
        for (const QString& row : left.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            expected.append(photos[row.toInt()]);
        QCOMPARE(f.filePaths(), expected);
        // The header counts the photos left; an empty list leaves nothing to remove or run.
        auto* header = qobject_cast<QLabel*>(f.ui()->FindControl(QStringLiteral("file_header_label")));
        QVERIFY(header);
        QVERIFY2(header->text().endsWith(QStringLiteral("(%1)").arg(expected.size())),
                 qPrintable(header->text()));
        QCOMPARE(f.button("remove_toolbar_btn")->isEnabled(), !expected.isEmpty());
        QCOMPARE(f.button("process_toolbar_btn")->isEnabled(), !expected.isEmpty());
    }

    // The list's menu empties it.
    void clearListFromTheMenu()
    {
        MainWindowFixture f;
        f.open();
        f.addPhotos({f.makePhoto("a.png"), f.makePhoto("b.png")});
        SkinListView* list = f.ui()->fileList();
        const QRect row = list->visualRect(list->model()->index(0, 0));
        emit list->customContextMenuRequested(row.center());
        QVERIFY(QTest::qWaitForWindowExposed(f.ui()->fileListMenu()));
        QVERIFY(f.ui()->clearListAction()->isEnabled());
        f.ui()->clearListAction()->trigger();
        f.ui()->fileListMenu()->hide();
        QVERIFY(f.filePaths().isEmpty());
        QVERIFY(!f.button("process_toolbar_btn")->isEnabled());
        // Photos added again after clearing are listed again.
        f.addPhotos({f.photoFolder + "/a.png"});
        QCOMPARE(f.filePaths().size(), 1);
    }

    // A photo that cannot be decoded shows the failed mark with its reason as soon as it is
    // checked, before any run; the good photos keep the ready mark.
    void damagedPhotoMarkedRedWhenAdded()
    {
        MainWindowFixture f;
        f.open();
        const QString good = f.makePhoto("good.jpg");
        const QString cut = f.makePhoto("cut.png");
        QFile cutFile(cut);
        QVERIFY(cutFile.open(QIODevice::ReadWrite));
        QVERIFY(cutFile.resize(cutFile.size() / 2));
        cutFile.close();
        const QString empty = f.photoFolder + "/empty.jpg";
        QFile emptyFile(empty);
        QVERIFY(emptyFile.open(QIODevice::WriteOnly));
        emptyFile.close();
        const QString text = f.photoFolder + "/notes.jpg";
        QFile textFile(text);
        QVERIFY(textFile.open(QIODevice::WriteOnly));
        textFile.write("these are not the pixels of a photo\n");
        textFile.close();

        f.chosenFiles = {good, cut, empty, text};
        f.button("add_toolbar_btn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(f.statusPicture(1), QStringLiteral("failed.png"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(f.statusPicture(2), QStringLiteral("failed.png"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(f.statusPicture(3), QStringLiteral("failed.png"), 5000);
        QVERIFY(f.waitForChecks());
        QCOMPARE(f.statusPicture(0), QStringLiteral("ready.png"));
        QVERIFY2(f.ui()->fileFailureReason(1).contains(QStringLiteral("damaged")) ||
                     f.ui()->fileFailureReason(1).contains(QStringLiteral("损坏")),
                 qPrintable(f.ui()->fileFailureReason(1)));
        QVERIFY(!f.ui()->fileFailureReason(2).isEmpty());
        QVERIFY(!f.ui()->fileFailureReason(3).isEmpty());
        QVERIFY(f.ui()->fileFailureReason(0).isEmpty());
        const QString tip = f.ui()->fileModel()->index(2).data(Qt::ToolTipRole).toString();
        QCOMPARE(tip, empty + QLatin1Char('\n') + f.ui()->fileFailureReason(2));

        // On the screen: the red mark on the damaged rows, the ready mark on the good one.
        const auto* rows = qobject_cast<PhotoRowDelegate*>(f.ui()->fileList()->itemDelegate());
        f.ui()->fileList()->selectItem(-1);
        const QImage screen = ScreenShots::take(QStringLiteral("photo_list_damaged_photos"));
        QVERIFY(markOnScreen(screen, f.ui()->fileList(), 0, rows->markPixmap(PhotoListModel::Ready)));
        for (int row = 1; row <= 3; ++row)
            QVERIFY2(markOnScreen(screen, f.ui()->fileList(), row, rows->markPixmap(PhotoListModel::Failed)),
                     qPrintable(QStringLiteral("row %1").arg(row)));
        QVERIFY(!markOnScreen(screen, f.ui()->fileList(), 0, rows->markPixmap(PhotoListModel::Failed)));
    }

    // Place, size and maximised state of the window when it was closed come back at the next
    // start; a place on no screen gives a window centred on the screen.
    void geometryRestoredAfterRestart_data()
    {
        QTest::addColumn<QRect>("closedAt");     // moved there before closing; empty: written to config.ini
        QTest::addColumn<bool>("maximised");     // maximised before closing
        QTest::addColumn<QString>("storedKeys"); // written instead of closing: "x,y,w,h,max"
        QTest::addColumn<QString>("expected");   // "closed", "centred"
        QTest::newRow("moved and resized") << QRect(130, 90, 700, 520) << false << QString() << "closed";
        QTest::newRow("larger") << QRect(40, 30, 1000, 700) << false << QString() << "closed";
        QTest::newRow("maximised") << QRect(150, 100, 820, 600) << true << QString() << "closed";
        QTest::newRow("off every screen")
            << QRect() << false << QStringLiteral("9000,7000,820,600,0") << QStringLiteral("centred");
        QTest::newRow("far left") << QRect() << false << QStringLiteral("-5000,200,820,600,0")
                                  << QStringLiteral("centred");
    }

    void geometryRestoredAfterRestart()
    {
        QFETCH(QRect, closedAt);
        QFETCH(bool, maximised);
        QFETCH(QString, storedKeys);
        QFETCH(QString, expected);
        if (ScreenShots::doubled())
            QSKIP("places are checked at 1x");
        MainWindowFixture f;
        QRect normal = closedAt;
        if (!storedKeys.isEmpty()) {
            f.open();
            f.window->close();
            const QStringList v = storedKeys.split(QLatin1Char(','));
            IniFile ini(configIniPath());
            QVERIFY(ini.load());
            const QString section = profileSectionName();
            ini.setValue(section, QStringLiteral("MainWindowX"), v[0].toInt());
            ini.setValue(section, QStringLiteral("MainWindowY"), v[1].toInt());
            ini.setValue(section, QStringLiteral("MainWindowWidth"), v[2].toInt());
            ini.setValue(section, QStringLiteral("MainWindowHeight"), v[3].toInt());
            ini.setValue(section, QStringLiteral("MainWindowMaximized"), v[4].toInt());
            QVERIFY(ini.save());
            normal = QRect(v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt());
        } else {
            CLumoraDlg* window = f.open();
            window->setGeometry(closedAt);
            QTRY_COMPARE(window->geometry(), closedAt);
            if (maximised) {
                window->showMaximized();
                QTRY_VERIFY(window->isMaximized());
            }
            window->close();
        }
        f.window.reset();

        CLumoraDlg* again = f.open();
        QTRY_COMPARE(again->isMaximized(), maximised);
        const QRect work = again->screen()->availableGeometry();
        if (maximised) {
            QTRY_COMPARE(again->geometry().size(), work.size());
            again->showNormal();
            QTRY_COMPARE(again->geometry(), normal);
        } else if (expected == QLatin1String("closed")) {
            QTRY_COMPARE(again->geometry(), normal);
        } else {
            QTRY_COMPARE(again->geometry().size(), normal.size());
            QVERIFY(qAbs(again->geometry().center().x() - work.center().x()) <= 1);
            QVERIFY(qAbs(again->geometry().center().y() - work.center().y()) <= 1);
        }
    }

    // The add-photos dialog opens in the folder of the photos chosen last, after a restart too.
    void addPhotosFolderRemembered()
    {
        MainWindowFixture f;
        f.open();
        f.addPhotos({f.makePhoto("a.png")});
        f.window->close();
        f.window.reset();
        f.open();
        QCOMPARE(f.ui()->addPhotosFolder(), f.photoFolder);
        QCOMPARE(
            IniFile::readString(configIniPath(), profileSectionName(), QStringLiteral("AddPhotosFolder")),
            f.photoFolder);
    }

    // The main window with thumbnails, for a person to look at.
    void screenshotWithThumbnails()
    {
        MainWindowFixture f;
        CLumoraDlg* window = f.open();
        const struct
        {
            const char* name;
            QColor sky, ground;
        } photos[] = {
            {"beach.jpg", QColor(90, 170, 230), QColor(230, 210, 150)},
            {"forest.jpg", QColor(150, 200, 240), QColor(40, 120, 50)},
            {"sunset.jpg", QColor(240, 120, 60), QColor(60, 40, 80)},
            {"snow.jpg", QColor(200, 215, 235), QColor(250, 250, 250)},
            {"harbour.png", QColor(70, 110, 170), QColor(30, 60, 110)},
            {"desert.jpg", QColor(120, 180, 235), QColor(210, 160, 90)},
        };
        QStringList paths;
        for (const auto& photo : photos)
            paths.append(
                makeColouredPhoto(f.photoFolder, QLatin1String(photo.name), photo.sky, photo.ground));
        f.addPhotos(paths);
        QTRY_VERIFY(!f.ui()->inspector()->thumbnail(f.ui()->fileItems().back().id).isNull());
        // A 320 x 200 photo fills the box's width, its proportions kept, at the screen's density.
        const QSize box = f.ui()->inspector()->thumbnailBox();
        QCOMPARE(box, QSize(22, 20) * (ScreenShots::doubled() ? 2 : 1));
        QCOMPARE(f.ui()->inspector()->thumbnail(f.ui()->fileItems().back().id).size(),
                 QSize(box.width(), box.width() * 200 / 320));
        MainWindowFixture::clickRow(f.ui()->fileList(), 2);
        window->raise();
        QVERIFY(!ScreenShots::take(QStringLiteral("main_window_thumbnails")).isNull());
    }
};

QTEST_MAIN(PhotoListTest)
#include "tst_PhotoList.moc"
