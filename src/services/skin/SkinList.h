#pragma once

#include <QListWidget>

class SkinListContainerElement;

// A skinned list: its rows are SkinListContainerElement controls built at run time. One row
// at most is selected. A press on a row reports "itemclick", a double click "itemactivate".
// When the list is empty it shows its "emptyText" property as a hint.
class SkinList : public QListWidget
{
    Q_OBJECT
    Q_PROPERTY(QString emptyText READ emptyText WRITE setEmptyText)
public:
    explicit SkinList(QWidget* parent = nullptr);

    // Appends a row; the list takes ownership.
    void add(SkinListContainerElement* element);
    int getCount() const;
    SkinListContainerElement* getItemAt(int index) const;
    bool removeAt(int index);
    void removeAll();

    // The selected row, or -1.
    int getCurSel() const;
    // Selects a row; -1 clears the selection. An index beyond the rows changes nothing and
    // returns false.
    bool selectItem(int index);

    QString emptyText() const { return m_emptyText; }
    void setEmptyText(const QString& text);

signals:
    // type is "itemclick" or "itemactivate"; position in the list's own coordinates.
    void notified(const QString& type, const QPoint& position);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_emptyText;
};
