#pragma once

#include <QListView>

// A skinned list whose rows are drawn by its item delegate from a model instead of being
// built from widgets, so that a list of many thousand rows costs a few hundred bytes a row.
// Several rows may be selected (Ctrl and Shift clicks, Ctrl+A); the current row, when
// selected, is "the" selected row of the single-selection operations. A press on a row
// reports "itemclick", a double click "itemactivate", as SkinList does. When the list is empty
// it shows its "emptyText" property as a hint.
class SkinListView : public QListView
{
    Q_OBJECT
    Q_PROPERTY(QString emptyText READ emptyText WRITE setEmptyText)
public:
    explicit SkinListView(QWidget* parent = nullptr);

    int getCount() const;
    // The current row when it is selected, or -1.
    int getCurSel() const;
    // Makes the row current and the only one selected, and scrolls it into view; -1 clears
    // the selection. An index beyond the rows changes nothing and returns false.
    bool selectItem(int index);
    // The selected rows in ascending order.
    QList<int> selectedRows() const;

    QString emptyText() const { return m_emptyText; }
    void setEmptyText(const QString& text);

signals:
    // type is "itemclick" or "itemactivate"; position in the list's own coordinates.
    void notified(const QString& type, const QPoint& position);
    // A mouse press or a key press is about to be handled: whoever holds changes for the
    // list back applies them first, so that the person acts on the list as it is.
    void inputArriving();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_emptyText;
};
