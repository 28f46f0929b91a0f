#pragma once

#include <QFont>
#include <QMenu>

class CXMenuStyle;

// An owner-drawn popup menu with a side band on its left that carries a caption written
// upwards (Tahoma 19 pixels, normal weight); the items are drawn by CXMenuStyle. It behaves
// as an ordinary popup menu otherwise.
class CXMenu : public QMenu
{
    Q_OBJECT
public:
    explicit CXMenu(const QString& sideCaption, QWidget* parent = nullptr);
    ~CXMenu() override;

    static QFont sideFont();
    // The side band's width: the side font's character height + 1.
    static int sideBandWidth();
    // The size of an item with this text, as the menu measures it (empty text: separator).
    QSize itemSize(const QString& text) const;
    // The sum of all item heights: the length of the side band's caption area.
    int itemsHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_sideCaption;
    CXMenuStyle* m_style;
};
