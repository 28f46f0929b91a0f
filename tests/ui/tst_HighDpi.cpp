#include "ClippedTexts.h"
#include "support/MainWindowFixture.h"

#include "ui/controls/CBmpButton.h"
#include "ui/controls/CCoolButtonBar.h"
#include "ui/controls/CHoverButton.h"
#include "ui/editor/CAddNewTempDlg.h"
#include "ui/editor/CEditTemplateDlg.h"
#include "ui/preview/COutputPreviewDlg.h"
#include "ui/skin/CAboutDlgUI.h"
#include "ui/skin/PhotoRowDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QToolButton>

// The desktop program on a screen scaled by two (QT_SCALE_FACTOR=2, set before the
// application starts): the skin's pictures are the ones drawn at twice their size, marked
// with device pixel ratio 2, not enlarged copies; no text is cut off; the main window and the
// editor are saved as screenshots at 2x under the build folder.
class HighDpiTest : public QObject
{
    Q_OBJECT
private:
    static QImage normalised(const QPixmap& picture)
    {
        return picture.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }

    static QString twiceFile(const QString& name)
    {
        return QStringLiteral(LUMORA_BIN_DIR "/skin/default/%1@2x.png").arg(name);
    }

    static void saveScreenshot(QWidget* window, const QString& name)
    {
        const QString folder = QStringLiteral(LUMORA_BUILD_DIR "/screenshots/hidpi");
        QVERIFY(QDir().mkpath(folder));
        const QPixmap shot = window->grab();
        QCOMPARE(shot.devicePixelRatio(), 2.0);
        QCOMPARE(shot.size(), window->size() * 2);
        QVERIFY(shot.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
    }

private slots:
    void initTestCase() { QCOMPARE(qApp->devicePixelRatio(), 2.0); }

    // Each kind of skin picture, as the window shows it: the pixels are those of the picture
    // drawn at twice the size.
    void picturesAtTwiceTheirSize_data()
    {
        QTest::addColumn<QString>("holder");  // "icon:<button>", "label:<label>" or "status mark"
        QTest::addColumn<QString>("picture"); // the picture's name in skin/default
        QTest::newRow("toolbar icon") << QStringLiteral("icon:add_toolbar_btn") << QStringLiteral("tb_add");
        QTest::newRow("toolbar icon, stop")
            << QStringLiteral("icon:stop_toolbar_btn") << QStringLiteral("tb_stop");
        QTest::newRow("caption icon") << QStringLiteral("icon:close_btn") << QStringLiteral("cap_close");
        QTest::newRow("template panel icon")
            << QStringLiteral("icon:add_template_btn") << QStringLiteral("tpl_add");
        QTest::newRow("program icon in the caption")
            << QStringLiteral("label:app_icon_label") << QStringLiteral("app_icon_20");
        QTest::newRow("file status mark") << QStringLiteral("status mark") << QStringLiteral("ready");
        QTest::newRow("about window's icon")
            << QStringLiteral("about:app_icon_label") << QStringLiteral("app_icon_20");
    }

    void picturesAtTwiceTheirSize()
    {
        QFETCH(QString, holder);
        QFETCH(QString, picture);
        MainWindowFixture f;
        f.open();
        f.addPhotos({f.makePhoto(QStringLiteral("one.png"))});
        QPixmap shown;
        QSize logical;
        const QString name = holder.section(QLatin1Char(':'), 1);
        if (holder.startsWith(QLatin1String("icon:"))) {
            auto* button = qobject_cast<QToolButton*>(f.ui()->FindControl(name));
            QVERIFY(button);
            logical = button->iconSize();
            shown = button->icon().pixmap(logical, 2.0);
        } else if (holder.startsWith(QLatin1String("label:"))) {
            auto* label = qobject_cast<QLabel*>(f.ui()->FindControl(name));
            QVERIFY(label);
            shown = label->pixmap();
            logical = label->size();
        } else if (holder.startsWith(QLatin1String("about:"))) {
            CAboutDlgUI about(f.window.get());
            QVERIFY(about.Create());
            auto* label = qobject_cast<QLabel*>(about.FindControl(name));
            QVERIFY(label);
            shown = label->pixmap();
            logical = label->size();
        } else {
            auto* rows = qobject_cast<PhotoRowDelegate*>(f.ui()->fileList()->itemDelegate());
            QVERIFY(rows);
            shown = rows->markPixmap(PhotoListModel::Ready);
            logical = rows->statusRect().size();
        }
        const QImage twice(twiceFile(picture));
        QVERIFY(!twice.isNull());
        QCOMPARE(shown.devicePixelRatio(), 2.0);
        QCOMPARE(shown.size(), twice.size());
        QCOMPARE(shown.deviceIndependentSize().toSize(), logical);
        QCOMPARE(normalised(shown), twice.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

    // The program's own button pictures (naming dialogs' OK button, the editor's layer button,
    // the output preview's arrows) are drawn from their twice as large versions.
    void builtInPicturesAtTwiceTheirSize_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("pictureId");
        QTest::newRow("OK button of the naming dialog") << "bmp button" << 232;
        QTest::newRow("layer button of the editor") << "layer button" << 152;
        QTest::newRow("next photo arrow of the preview") << "next arrow" << 187;
    }

    void builtInPicturesAtTwiceTheirSize()
    {
        QFETCH(QString, control);
        QFETCH(int, pictureId);
        MainWindowFixture f;
        f.open();
        QImage twice = QImage(QStringLiteral(":/language/%1@2x.png").arg(pictureId))
                           .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY(!twice.isNull());
        twice.setDevicePixelRatio(1.0); // its pixels, as they are compared
        if (control == "bmp button") {
            QString name;
            CAddNewTempDlg dialog(QStringLiteral("添加新模板"), name, f.window.get());
            auto* button = dialog.findChild<CBmpButton*>();
            QVERIFY(button);
            const QImage& shown = button->bitmap(CBmpButton::Normal);
            QCOMPARE(shown.devicePixelRatio(), 2.0);
            QCOMPARE(button->size(), twice.size() / 2);
            QImage pixels = shown.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            pixels.setDevicePixelRatio(1.0);
            QCOMPARE(pixels, twice);
        } else if (control == "layer button") {
            CEditTemplateDlg editor(f.window->currentSettings(), f.window.get());
            auto* bar = editor.findChild<CCoolButtonBar*>(QStringLiteral("layer_button"));
            QVERIFY(bar);
            QCOMPARE(bar->getBitmapSize(), twice.size() / 2);
            const QImage shown = bar->renderBar();
            QCOMPARE(shown.devicePixelRatio(), 2.0);
            QImage expected(twice.size(), QImage::Format_ARGB32_Premultiplied);
            expected.fill(bar->palette().color(QPalette::Window));
            QPainter(&expected).drawImage(0, 0, twice);
            QImage pixels = shown.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            pixels.setDevicePixelRatio(1.0); // the pixels alone are compared
            QCOMPARE(pixels, expected);
        } else {
            f.addPhotos({f.makePhoto(QStringLiteral("one.png"))});
            CMainDlgUI* ui = f.ui();
            COutputPreviewDlg preview({[ui]() { return ui->CurrentPhotoPath(); },
                                       [ui]() { return ui->SelectNextPhoto(); },
                                       [ui]() { return ui->SelectPreviousPhoto(); }},
                                      f.window->currentSettings(), f.window.get());
            CHoverButton* arrow = preview.nextButton();
            QVERIFY(arrow);
            QCOMPARE(arrow->frameSize(), QSize(twice.width() / 6, twice.height() / 2));
            // The normal frame as shown, against the left third of the picture, wherever the
            // picture is opaque.
            arrow->setEnabled(true);
            const QImage shown = arrow->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QCOMPARE(shown.size(), QSize(twice.width() / 3, twice.height()));
            int compared = 0;
            for (int y = 0; y < shown.height(); ++y) {
                for (int x = 0; x < shown.width(); ++x) {
                    if (qAlpha(twice.pixel(x, y)) == 255) {
                        QCOMPARE(shown.pixel(x, y), twice.pixel(x, y));
                        ++compared;
                    }
                }
            }
            QVERIFY(compared > shown.width() * shown.height() / 2);
        }
    }

    void noTextCutOffAndScreenshots()
    {
        MainWindowFixture f;
        CLumoraDlg* main = f.open();
        f.addPhotos({f.makePhoto(QStringLiteral("a photo with a long name to fill the row.png")),
                     f.makePhoto(QStringLiteral("second.png"))});
        QCoreApplication::processEvents();
        QStringList clipped = clippedTexts(main);
        saveScreenshot(main, QStringLiteral("main_window"));

        CEditTemplateDlg editor(main->currentSettings(), main);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QCoreApplication::processEvents();
        clipped << clippedTexts(&editor);
        saveScreenshot(&editor, QStringLiteral("editor"));
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }
};

int main(int argc, char* argv[])
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    HighDpiTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_HighDpi.moc"
