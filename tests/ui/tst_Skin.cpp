#include "services/skin/SkinAttributes.h"
#include "services/skin/SkinFrame.h"
#include "services/skin/SkinHorizontalLayout.h"
#include "services/skin/SkinLabel.h"
#include "services/skin/SkinList.h"
#include "services/skin/SkinListContainerElement.h"
#include "services/skin/SkinManager.h"
#include "services/skin/SkinNotifier.h"
#include "services/skin/SkinResources.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QtTest>

namespace {
struct Recorder : SkinNotifier
{
    QStringList events;
    void notify(const SkinNotify& msg) override
    {
        events.append(msg.type + QLatin1Char(':') + (msg.sender ? msg.sender->objectName() : QString()));
    }
};
} // namespace

class SkinTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        SkinResources::setInstancePath(QStringLiteral(LUMORA_BIN_DIR));
        SkinResources::SetResourcePath(QStringLiteral(LUMORA_BIN_DIR "/skin/en"));
    }

    void parseAttributeList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected"); // name=value, in order
        QTest::newRow("two pairs") << "height=\"22\" padding=\"1,0,1,0\""
                                   << QStringList{"height=22", "padding=1,0,1,0"};
        QTest::newRow("quoted picture") << "bkimage=\"file='../default/ready.png'\" float=\"true\""
                                        << QStringList{"bkimage=file='../default/ready.png'", "float=true"};
        QTest::newRow("blanks around =")
            << " name = \"a b\"   text=\"\" " << QStringList{"name=a b", "text="};
        QTest::newRow("unterminated value keeps earlier pairs")
            << "width=\"14\" height=\"15" << QStringList{"width=14"};
        QTest::newRow("missing quotes stops") << "width=14 height=\"15\"" << QStringList{};
        QTest::newRow("empty") << QString() << QStringList{};
    }
    void parseAttributeList()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QStringList got;
        for (const auto& [name, value] : parseAttributes(text))
            got.append(name + QLatin1Char('=') + value);
        QCOMPARE(got, expected);
    }

    void fileRowGeometry()
    {
        // The main window's file row, built from its attribute texts.
        SkinListContainerElement element;
        ApplyAttributeList(&element, "height=\"22\" padding=\"1,0,1,0\"");
        auto* layout = new SkinHorizontalLayout;
        ApplyAttributeList(layout, "height=\"22\"");
        element.add(layout);
        auto* status = new SkinLabel;
        ApplyAttributeList(status, "name=\"file_status_label\" float=\"true\" width=\"14\" height=\"15\" "
                                   "pos=\"20,4,34,19\" bkimage=\"file='../default/ready.png'\"");
        layout->add(status);
        auto* path = new SkinLabel;
        ApplyAttributeList(path,
                           "name=\"file_path_label\" float=\"false\" padding=\"60,0,0,0\" minwidth=\"150\" "
                           "height=\"22\" text=\"file path\" endellipsis=\"true\" font=\"0\"");
        layout->add(path);
        element.resize(400, 22);
        element.show();

        QCOMPARE(status->geometry(), QRect(20, 4, 14, 15));
        QVERIFY(status->bkImage().endsWith(QLatin1String("/skin/default/ready.png")));
        QVERIFY(QFileInfo::exists(status->bkImage()));
        QCOMPARE(path->geometry().left(), 60);
        QCOMPARE(path->geometry().height(), 22);
        QCOMPARE(layout->width(), 400 - 2); // inside the row's padding
        QCOMPARE(path->geometry().right(), layout->width() - 1);
        QCOMPARE(path->getText(), QStringLiteral("file path"));

        QCOMPARE(FindNamedChild(&element, QStringLiteral("file_path_label")), path);
        QCOMPARE(FindNamedChild(&element, QStringLiteral("file_status_label")), status);
        QCOMPARE(FindNamedChild(&element, QStringLiteral("nothing")), nullptr);
        // A plain control matches only its own name.
        QCOMPARE(FindNamedChild(path, QStringLiteral("file_status_label")), nullptr);

        // A narrow row cuts the path with an ellipsis, the full text stays.
        path->setText(QStringLiteral("/a/very/long/folder/name/that/does/not/fit/into/the/row/photo.jpg"));
        element.resize(260, 22);
        QVERIFY(path->displayedText().endsWith(QChar(0x2026)));
        QVERIFY(path->getText().endsWith(QLatin1String("photo.jpg")));
    }

    void listSelection()
    {
        SkinList list;
        list.resize(300, 200);
        for (int i = 0; i < 3; ++i) {
            auto* row = new SkinListContainerElement;
            ApplyAttributeList(row, "height=\"22\"");
            row->setTag(100 + i);
            list.add(row);
        }
        QCOMPARE(list.getCurSel(), -1);
        QVERIFY(list.selectItem(2));
        QCOMPARE(list.getCurSel(), 2);
        QVERIFY(!list.selectItem(3)); // beyond the rows: nothing changes
        QCOMPARE(list.getCurSel(), 2);
        QVERIFY(list.selectItem(-1));
        QCOMPARE(list.getCurSel(), -1);
        QVERIFY(list.removeAt(1));
        QCOMPARE(list.getCount(), 2);
        QCOMPARE(list.getItemAt(1)->tag(), 102);
    }

    void layoutsHaveTheirControls_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("main") << "maindlg.xml"
                              << QStringList{"program_name_label",
                                             "menu_btn",
                                             "min_btn",
                                             "max_btn",
                                             "restore_btn",
                                             "close_btn",
                                             "add_toolbar_btn",
                                             "remove_toolbar_btn",
                                             "preview_toolbar_btn",
                                             "process_toolbar_btn",
                                             "stop_toolbar_btn",
                                             "resize_toolbar_btn",
                                             "preference_toolbar_btn",
                                             "add_template_btn",
                                             "menu_template_btn",
                                             "template_list",
                                             "file_list"};
        QTest::newRow("about") << "about.xml"
                               << QStringList{"close_btn",   "ok_btn",     "title_label", "version_label",
                                              "website_btn", "mailto_btn", "youtube_btn"};
        QTest::newRow("quick start") << "quickstart.xml"
                                     << QStringList{"close_btn", "ok_btn", "dontshow_Option"};
    }
    void layoutsHaveTheirControls()
    {
        QFETCH(QString, layout);
        QFETCH(QStringList, names);
        QWidget host;
        SkinManager skin;
        QVERIFY2(skin.Create(&host, layout), qPrintable(skin.errorString()));
        for (const QString& name : names)
            QVERIFY2(skin.FindControl(name), qPrintable(name));
        QVERIFY(!skin.FindControl(QStringLiteral("no_such_control")));
        QVERIFY(!skin.captionRect().isEmpty());
        QVERIFY(!skin.roundCorner().isEmpty());
        // A picture of the bare layout to look at.
        host.resize(skin.root()->size());
        QDir().mkpath(QStringLiteral(LUMORA_BUILD_DIR "/screenshots"));
        host.grab().save(
            QStringLiteral(LUMORA_BUILD_DIR "/screenshots/skin_%1.png").arg(QFileInfo(layout).baseName()));
    }

    void missingLayoutFails()
    {
        QWidget host;
        SkinManager skin;
        QVERIFY(!skin.Create(&host, QStringLiteral("missing.xml")));
        QVERIFY(skin.errorString().contains(QLatin1String("missing.xml")));
    }

    void notificationsCarryTheirSender()
    {
        QWidget host;
        SkinManager skin;
        QVERIFY(skin.Create(&host, QStringLiteral("quickstart.xml")));
        Recorder recorder;
        skin.AddNotifier(&recorder);
        auto* option = qobject_cast<QCheckBox*>(skin.FindControl(QStringLiteral("dontshow_Option")));
        QVERIFY(option);
        option->click();
        QVERIFY(option->isChecked()); // the click toggled it before the notification
        qobject_cast<QAbstractButton*>(skin.FindControl(QStringLiteral("ok_btn")))->click();
        QCOMPARE(recorder.events, (QStringList{"click:dontshow_Option", "click:ok_btn"}));
    }

    void frameHitTest_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<bool>("maximised");
        QTest::addColumn<int>("area");
        QTest::newRow("top left corner") << QPoint(1, 1) << false << int(SkinFrame::HitTopLeft);
        QTest::newRow("right edge") << QPoint(801, 300) << false << int(SkinFrame::HitRight);
        QTest::newRow("bottom edge") << QPoint(400, 578) << false << int(SkinFrame::HitBottom);
        QTest::newRow("caption over the title") << QPoint(120, 20) << false << int(SkinFrame::HitCaption);
        QTest::newRow("caption over a button") << QPoint(-1, 20) << false << int(SkinFrame::HitClient);
        QTest::newRow("below the caption") << QPoint(400, 300) << false << int(SkinFrame::HitClient);
        QTest::newRow("edge while maximised") << QPoint(1, 300) << true << int(SkinFrame::HitClient);
    }
    void frameHitTest()
    {
        QFETCH(QPoint, point);
        QFETCH(bool, maximised);
        QFETCH(int, area);
        QWidget window;
        SkinManager skin;
        QVERIFY(skin.Create(&window, QStringLiteral("maindlg.xml")));
        SkinFrame frame(&window, &skin);
        window.resize(803, 580);
        if (maximised)
            window.showMaximized();
        else
            window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (point.x() < 0) {
            QWidget* close = skin.FindControl(QStringLiteral("close_btn"));
            point = close->mapTo(&window, close->rect().center());
        }
        QCOMPARE(int(frame.hitTest(point)), area);
    }

    void maximiseSwapsButtons()
    {
        QWidget window;
        SkinManager skin;
        QVERIFY(skin.Create(&window, QStringLiteral("maindlg.xml")));
        SkinFrame frame(&window, &skin);
        window.resize(803, 580);
        window.show();
        frame.updateMaxRestoreButtons();
        QWidget* maxButton = skin.FindControl(QStringLiteral("max_btn"));
        QWidget* restoreButton = skin.FindControl(QStringLiteral("restore_btn"));
        QVERIFY(maxButton->isVisible() && !restoreButton->isVisible());
        QVERIFY(!window.mask().isEmpty()); // rounded corners while restored
        window.showMaximized();
        QTRY_VERIFY(!maxButton->isVisible() && restoreButton->isVisible());
        QVERIFY(window.mask().isEmpty());
        window.showNormal();
        QTRY_VERIFY(maxButton->isVisible() && !restoreButton->isVisible());
    }
};

QTEST_MAIN(SkinTest)
#include "tst_Skin.moc"
