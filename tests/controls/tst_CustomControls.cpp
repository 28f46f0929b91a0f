#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "services/language/BuiltinPictureIds.h"
#include "services/language/CLanguageManager.h"
#include "services/messages/WindowMessage.h"
#include "support/ModalCatcher.h"
#include "ui/controls/CBmpButton.h"
#include "ui/controls/CCoolButtonBar.h"
#include "ui/controls/CEditWithButton.h"
#include "ui/controls/CHoverButton.h"
#include "ui/controls/CHyperLink.h"

namespace {

// Collects the window messages a control posts or sends.
class MessageSink : public QObject
{
public:
    QList<QList<qint64>> received; // message, first, second parameter
    bool event(QEvent* e) override
    {
        if (e->type() == WindowMessageEvent::eventType()) {
            auto* m = static_cast<WindowMessageEvent*>(e);
            received.append({m->message(), m->wParam(), m->lParam()});
            return true;
        }
        return QObject::event(e);
    }
};

// Bar pictures 40 x 24 in one colour each, with column 34 (width - 6) marked and the last
// ten columns shaded, so that the stretching can be seen.
const QColor kNormal(200, 0, 0), kHot(0, 200, 0), kPressed(0, 0, 200), kDisabled(120, 120, 120);
const QColor kStretchColumn(255, 255, 0), kTail(0, 255, 255);
constexpr int kIdNormal = 900, kIdHot = 901, kIdPressed = 902, kIdDisabled = 903;

QImage barPicture(const QColor& c)
{
    QImage img(40, 24, QImage::Format_ARGB32);
    img.fill(c);
    for (int y = 0; y < 24; ++y) {
        img.setPixelColor(34, y, kStretchColumn);
        for (int x = 36; x < 40; ++x)
            img.setPixelColor(x, y, kTail);
    }
    return img;
}

void press(QWidget* w, QPoint at)
{
    QTest::mousePress(w, Qt::LeftButton, {}, at);
}

} // namespace

class CustomControlsTest : public QObject
{
    Q_OBJECT

private:
    QString langDir() const { return CLanguageManager::GetProgramFolder() + QStringLiteral("/Lang"); }

    std::unique_ptr<CCoolButtonBar> makeBar(const QList<CoolButton>& buttons, int width)
    {
        auto bar = std::make_unique<CCoolButtonBar>();
        bar->resize(width, 24);
        bar->SetButtons(buttons, {kIdNormal, kIdHot, kIdPressed, kIdDisabled});
        bar->CreateTooltips();
        return bar;
    }

private slots:
    void initTestCase()
    {
        QDir().mkpath(langDir());
        QVERIFY(barPicture(kNormal).save(langDir() + "/n.png"));
        QVERIFY(barPicture(kHot).save(langDir() + "/h.png"));
        QVERIFY(barPicture(kPressed).save(langDir() + "/p.png"));
        QVERIFY(barPicture(kDisabled).save(langDir() + "/d.png"));
        QFile f(CLanguageManager::GetLanguageFilePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[BITMAP]\n900=Lang/n.png\n901=Lang/h.png\n902=Lang/p.png\n903=Lang/d.png\n"
                "[STRING]\n700=first tip\n");
    }
    void cleanupTestCase() { QDir(langDir()).removeRecursively(); }

    // Which picture a button is drawn from, by the buttons' enabled flags and the mouse state.
    void barDrawing_data()
    {
        QTest::addColumn<QList<int>>("enabled");
        QTest::addColumn<QString>("mouse");
        QTest::addColumn<QList<QColor>>("expected"); // colour at each button's centre

        QTest::newRow("one enabled") << QList<int>{1} << "" << QList<QColor>{kNormal};
        QTest::newRow("one disabled") << QList<int>{0} << "" << QList<QColor>{kDisabled};
        QTest::newRow("hot") << QList<int>{1} << "hover" << QList<QColor>{kHot};
        QTest::newRow("pressed") << QList<int>{1} << "press" << QList<QColor>{kPressed};
        QTest::newRow("disabled is never hot") << QList<int>{0} << "hover" << QList<QColor>{kDisabled};
        QTest::newRow("minority disabled on normal base")
            << QList<int>{1, 1, 0} << "" << QList<QColor>{kNormal, kNormal, kDisabled};
        QTest::newRow("minority enabled on disabled base")
            << QList<int>{0, 1, 0} << "" << QList<QColor>{kDisabled, kNormal, kDisabled};
        QTest::newRow("half enabled uses disabled base")
            << QList<int>{1, 0} << "" << QList<QColor>{kNormal, kDisabled};
    }

    void barDrawing()
    {
        QFETCH(QList<int>, enabled);
        QFETCH(QString, mouse);
        QFETCH(QList<QColor>, expected);
        QList<CoolButton> buttons;
        for (int i = 0; i < enabled.size(); ++i)
            buttons.append(CoolButton{enabled[i], 21 + i, i * 10, 0, 10, 24, 109});
        auto bar = makeBar(buttons, 40);
        bar->show();
        if (mouse == "hover")
            QTest::mouseMove(bar.get(), QPoint(5, 12));
        else if (mouse == "press")
            press(bar.get(), QPoint(5, 12));
        const QImage shown = bar->renderBar();
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(shown.pixelColor(i * 10 + 5, 12), expected[i]);
        // Outside the buttons the base picture shows.
        const bool normalBase = std::count(enabled.begin(), enabled.end(), 1) * 2 > enabled.size();
        QCOMPARE(shown.pixelColor(32, 12), normalBase ? kNormal : kDisabled);
    }

    void barStretchesOneColumn()
    {
        auto bar = makeBar({CoolButton{1, 21, 0, 0, 10, 24, 109}}, 100);
        const QImage shown = bar->renderBar();
        for (int x = 0; x < 34; ++x)
            QCOMPARE(shown.pixelColor(x, 5), kNormal);
        for (int x = 34; x < 94; ++x)
            QCOMPARE(shown.pixelColor(x, 5), kStretchColumn);
        // The last ten picture columns start 6 pixels before the right edge (cut there).
        QCOMPARE(shown.pixelColor(94, 5), kNormal);        // picture column 30
        QCOMPARE(shown.pixelColor(98, 5), kStretchColumn); // picture column 34
        QCOMPARE(shown.pixelColor(99, 5), kNormal);        // picture column 35
        QCOMPARE(bar->getBitmapSize(), QSize(40, 24));
    }

    void barClicks_data()
    {
        QTest::addColumn<int>("enabled");
        QTest::addColumn<QPoint>("pressAt");
        QTest::addColumn<QPoint>("releaseAt");
        QTest::addColumn<bool>("posted");

        QTest::newRow("click") << 1 << QPoint(5, 5) << QPoint(6, 6) << true;
        QTest::newRow("disabled button") << 0 << QPoint(5, 5) << QPoint(5, 5) << false;
        QTest::newRow("moved off before release") << 1 << QPoint(5, 5) << QPoint(25, 5) << false;
        QTest::newRow("released outside the bar") << 1 << QPoint(5, 5) << QPoint(200, 5) << false;
    }

    void barClicks()
    {
        QFETCH(int, enabled);
        QFETCH(QPoint, pressAt);
        QFETCH(QPoint, releaseAt);
        QFETCH(bool, posted);
        auto bar = makeBar({CoolButton{enabled, 21, 0, 0, 10, 24, 109}}, 40);
        MessageSink sink;
        bar->SetTarget(&sink, 5034);
        bar->show();
        press(bar.get(), pressAt);
        QTest::mouseRelease(bar.get(), Qt::LeftButton, {}, releaseAt);
        QCoreApplication::processEvents();
        QCOMPARE(bar->pressedIndex(), -1);
        if (posted)
            QCOMPARE(sink.received, (QList<QList<qint64>>{{5034, 21, 0}}));
        else
            QVERIFY(sink.received.isEmpty());
    }

    void barEnableAndTooltips()
    {
        auto bar = makeBar({CoolButton{1, 21, 0, 0, 10, 24, 700}, CoolButton{1, 22, 10, 0, 10, 24, 109},
                            CoolButton{1, 21, 20, 0, 10, 24, 109}},
                           40);
        bar->DisableButton(21, false);
        QCOMPARE(bar->buttons()[0].enabled, 0);
        QCOMPARE(bar->buttons()[2].enabled, 1); // only the first button with the code
        bar->DisableAllButtons();
        bar->EnableButton(22);
        QCOMPARE(
            (QList<int>{bar->buttons()[0].enabled, bar->buttons()[1].enabled, bar->buttons()[2].enabled}),
            (QList<int>{0, 1, 0}));
        QCOMPARE(bar->tooltipAt(QPoint(3, 3)), QStringLiteral("first tip"));
        QCOMPARE(bar->tooltipAt(QPoint(13, 3)), QStringLiteral("单击此处操作层"));
        QCOMPARE(bar->tooltipAt(QPoint(35, 3)), QString());
    }

    void barCaption()
    {
        auto bar = makeBar({CoolButton{1, 21, 0, 0, 10, 24, 109}}, 200);
        bar->SetCaption(60, 2, QStringLiteral("WWWW"));
        const QImage shown = bar->renderBar();
        bool orange = false;
        for (int x = 60; x < 100 && !orange; ++x)
            for (int y = 2; y < 22 && !orange; ++y)
                orange = shown.pixelColor(x, y) == QColor(238, 153, 0);
        QVERIFY(orange);
    }

    void hyperLinkOpen_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");

        QTest::newRow("opened") << CHyperLink::kOpenSucceeded << "";
        QTest::newRow("not found") << 2 << "Unable to open hyperlink:\n\nThe specified file was not found.";
        QTest::newRow("no association") << 31
                                        << "Unable to open hyperlink:\n\nThere is no application "
                                           "associated\nwith the given filename extension.";
        QTest::newRow("unknown") << 17 << "Unable to open hyperlink:\n\nUnknown Error (17) occurred.";
    }

    void hyperLinkOpen()
    {
        QFETCH(int, result);
        QFETCH(QString, message);
        QStringList opened;
        CHyperLink::setUrlOpener([&](const QString& a) {
            opened << a;
            return result;
        });
        CHyperLink link(QStringLiteral("Home page"), nullptr, QStringLiteral("https://example.org/"));
        link.show();
        ModalCatcher catcher;
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(3, 3));
        CHyperLink::setUrlOpener({});
        QCOMPARE(opened, QStringList{QStringLiteral("https://example.org/")});
        QCOMPARE(link.getVisited(), message.isEmpty());
        QCOMPARE(catcher.texts, message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(catcher.icons.first(), QMessageBox::Warning);
    }

    void hyperLinkColoursAndUnderline_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("underlinedIdle");
        QTest::addColumn<bool>("underlinedOver");

        QTest::newRow("hover") << int(CHyperLink::UnderlineHover) << false << true;
        QTest::newRow("always") << int(CHyperLink::UnderlineAlways) << true << true;
        QTest::newRow("never") << int(CHyperLink::UnderlineNever) << false << false;
    }

    void hyperLinkColoursAndUnderline()
    {
        QFETCH(int, mode);
        QFETCH(bool, underlinedIdle);
        QFETCH(bool, underlinedOver);
        CHyperLink link(QStringLiteral("https://example.org/"));
        QCOMPARE(link.getURL(), QStringLiteral("https://example.org/")); // address from the text
        link.SetUnderline(mode);
        link.show();
        QCOMPARE(link.currentColour(), QColor(0, 0, 238));
        QCOMPARE(link.font().underline(), underlinedIdle);
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), link.mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&link, &move);
        QVERIFY(link.isOver());
        QCOMPARE(link.currentColour(), QColor(255, 0, 0));
        QCOMPARE(link.font().underline(), underlinedOver);
        link.SetVisited(true);
        link.setColours(QColor(1, 2, 3), QColor(85, 26, 139), QColor());
        QCOMPARE(link.currentColour(), link.palette().color(QPalette::Highlight));
    }

    void hoverButtonFrames()
    {
        CHoverButton button;
        QVERIFY(button.loadBitmap(BuiltinPictureIds::NextPhotoButton));
        QCOMPARE(button.size(), QSize(79, 19));
        button.show();
        QCOMPARE(button.currentFrame(), CHoverButton::NormalFrame);
        QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
        QCoreApplication::sendEvent(&button, &enter);
        QCOMPARE(button.currentFrame(), CHoverButton::HoverFrame);
        button.setDown(true);
        QCOMPARE(button.currentFrame(), CHoverButton::PressedFrame);
        button.setDown(false);
        button.setEnabled(false);
        QCOMPARE(button.currentFrame(), CHoverButton::PressedFrame);
        button.setEnabled(true);
        QCOMPARE(button.currentFrame(), CHoverButton::NormalFrame);
    }

    void bmpButtonFontAndStates_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("expected");
        QTest::newRow("given") << 12 << 12;
        QTest::newRow("zero") << 0 << 16;
        QTest::newRow("negative") << -4 << 16;
    }

    void bmpButtonFontAndStates()
    {
        QFETCH(int, height);
        QFETCH(int, expected);
        CBmpButton button(QStringLiteral("确定"));
        button.loadBitmaps(BuiltinPictureIds::PushButtonNormal, BuiltinPictureIds::PushButtonHot,
                           BuiltinPictureIds::PushButtonPressed, BuiltinPictureIds::PushButtonDisabled);
        button.setTextFont(height);
        QCOMPARE(button.font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(button.font().pixelSize(), expected);
        QCOMPARE(button.font().weight(), QFont::Normal);
        QCOMPARE(button.size(), QSize(64, 20));
        QCOMPARE(button.currentState(), CBmpButton::Normal);
        button.setEnabled(false);
        QCOMPARE(button.currentState(), CBmpButton::Disabled);
    }

    void editWithButtonNotifies_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("alwaysActive");
        QTest::addColumn<QPoint>("clickAt");
        QTest::addColumn<bool>("notified");

        QTest::newRow("with text on button") << "/a/b.png" << false << QPoint(236, 10) << true;
        QTest::newRow("empty text") << "" << false << QPoint(236, 10) << false;
        QTest::newRow("empty but always active") << "" << true << QPoint(236, 10) << true;
        QTest::newRow("click in text") << "/a/b.png" << false << QPoint(20, 10) << false;
    }

    void editWithButtonNotifies()
    {
        QFETCH(QString, text);
        QFETCH(bool, alwaysActive);
        QFETCH(QPoint, clickAt);
        QFETCH(bool, notified);
        QWidget parent;
        MessageSink sink;
        auto* edit = new CEditWithButton(&parent);
        edit->setTextRect(QRect(4, 3, 220, 17));
        edit->setButtonRect(QRect(230, 2, 17, 18));
        edit->setBitmaps(BuiltinPictureIds::PathFieldEmpty, BuiltinPictureIds::PathFieldWithText);
        edit->setNotify(&sink);
        edit->setAlwaysActive(alwaysActive);
        edit->setText(text);
        parent.show();
        QCOMPARE(edit->size(), QSize(250, 22));
        QTest::mouseClick(edit, Qt::LeftButton, {}, clickAt);
        if (notified)
            QCOMPARE(sink.received, (QList<QList<qint64>>{{CEditWithButton::kDefaultNotifyMessage, 0, 0}}));
        else
            QVERIFY(sink.received.isEmpty());
    }

    void editWithButtonPictureFollowsText()
    {
        QWidget parent;
        auto* edit = new CEditWithButton(&parent);
        edit->setTextRect(QRect(4, 3, 220, 17));
        edit->setBitmaps(BuiltinPictureIds::PathFieldEmpty, BuiltinPictureIds::PathFieldWithText);
        QCOMPARE(edit->notifyWindow(), &parent);
        QCOMPARE(edit->currentBitmap(), CLanguageManager::builtinBitmap(BuiltinPictureIds::PathFieldEmpty));
        parent.show();
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("x"));
        QCOMPARE(edit->currentBitmap(),
                 CLanguageManager::builtinBitmap(BuiltinPictureIds::PathFieldWithText));
        QCOMPARE(edit->textMargins().left(), 4);
    }
};

QTEST_MAIN(CustomControlsTest)
#include "tst_CustomControls.moc"
