#pragma once

#include <QFont>
#include <QProxyStyle>

// Draws and measures the items of a CXMenu: Tahoma 14 pixels high, light weight; an item
// without text (a separator) is 12 pixels high, any other item its text height + 10 pixels
// high and its text width + 10 + the side band's width pixels wide.
class CXMenuStyle : public QProxyStyle
{
    Q_OBJECT
public:
    explicit CXMenuStyle(int sideBandWidth);

    static QFont itemFont();
    // The size of an item with this text (an empty text is a separator).
    QSize itemSize(const QString& text) const;

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;

private:
    int m_sideBandWidth;
};
