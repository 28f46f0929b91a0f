#include "ui/controls/CXMenu.h"

#include <QFontMetrics>
#include <QtTest>

class XMenuTest : public QObject
{
    Q_OBJECT
private slots:
    void itemSizes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("separator") << QString();
        QTest::newRow("latin") << QStringLiteral("Edit");
        QTest::newRow("chinese") << QStringLiteral("重命名所选模板");
    }
    void itemSizes()
    {
        QFETCH(QString, text);
        CXMenu menu(QStringLiteral("Lumora"));
        const QSize size = menu.itemSize(text);
        if (text.isEmpty()) {
            QCOMPARE(size.height(), 12);
            return;
        }
        QFont itemFont(QStringLiteral("Tahoma"));
        itemFont.setPixelSize(14);
        itemFont.setWeight(QFont::Light);
        const QFontMetrics metrics(itemFont);
        QCOMPARE(size.height(), metrics.height() + 10);
        QFont sideFont(QStringLiteral("Tahoma"));
        sideFont.setPixelSize(19);
        QCOMPARE(size.width(), metrics.horizontalAdvance(text) + 10 + QFontMetrics(sideFont).height() + 1);
    }

    void sideCaptionSpansAllItems()
    {
        CXMenu menu(QStringLiteral("Lumora"));
        menu.addAction(QStringLiteral("编辑所选模板"));
        menu.addSeparator();
        menu.addAction(QStringLiteral("删除所选模板"));
        const int expected = menu.itemSize(QStringLiteral("编辑所选模板")).height() + 12 +
                             menu.itemSize(QStringLiteral("删除所选模板")).height();
        QCOMPARE(menu.itemsHeight(), expected);
        // The menu is as tall as its items and leaves the side band free on the left.
        menu.ensurePolished();
        QVERIFY(menu.sizeHint().height() >= expected);
        QCOMPARE(menu.contentsMargins().left(), CXMenu::sideBandWidth());
        const QRect first = menu.actionGeometry(menu.actions().first());
        QVERIFY(first.left() >= CXMenu::sideBandWidth());
    }
};

QTEST_MAIN(XMenuTest)
#include "tst_XMenu.moc"
