#include "ui/controls/CXMenu.h"

#include <QDebug>
#include <QtTest>

class XMenuTest : public QObject
{
    Q_OBJECT
private slots:
    // In the menu as shown, every item's text lies inside its row with at least 5 pixels free
    // on every side (in Latin and Chinese), separators are 12 pixels high, the side band
    // stays free on the left, and the side caption's length is the sum of the rows.
    void rowsHoldTheirTexts()
    {
        CXMenu menu(QStringLiteral("Lumora"));
        menu.addAction(QStringLiteral("Edit"));
        menu.addSeparator();
        menu.addAction(QStringLiteral("重命名所选模板"));
        menu.addAction(QStringLiteral("&Delete"));
        menu.popup(QPoint(20, 20));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        const QImage shot = menu.grab().toImage();
        QVERIFY(menu.contentsMargins().left() == CXMenu::sideBandWidth());
        int rows = 0;
        for (QAction* action : menu.actions()) {
            const QRect row = menu.actionGeometry(action);
            rows += row.height();
            if (action->isSeparator()) {
                QCOMPARE(row.height(), 12);
                continue;
            }
            QVERIFY(row.left() >= CXMenu::sideBandWidth());
            const QRgb paper = shot.pixel(row.right() - 1, row.top() + 1);
            QRect ink;
            for (int y = row.top(); y <= row.bottom(); ++y) {
                for (int x = row.left(); x <= row.right(); ++x) {
                    if (qAbs(qGray(shot.pixel(x, y)) - qGray(paper)) > 60)
                        ink |= QRect(x, y, 1, 1);
                }
            }
            QString where;
            QDebug(&where) << action->text() << "ink" << ink << "row" << row;
            QVERIFY2(!ink.isEmpty() && ink.top() >= row.top() + 5 && ink.bottom() <= row.bottom() - 5 &&
                         ink.left() >= row.left() + 5 && ink.right() <= row.right() - 5,
                     qPrintable(where));
        }
        QCOMPARE(menu.itemsHeight(), rows);
    }
};

QTEST_MAIN(XMenuTest)
#include "tst_XMenu.moc"
