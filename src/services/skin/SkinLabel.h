#pragma once

#include "services/skin/SkinControl.h"

#include <QColor>

// A skinned text label: one line of text over an optional background picture, cut with
// an ellipsis at the end when "endellipsis" is set. "font" picks one of the skin's fonts:
// 0 is the normal text font, 1 a bold one, 2 a larger title font.
class SkinLabel : public SkinControl
{
    Q_OBJECT
public:
    explicit SkinLabel(QWidget* parent = nullptr);

    bool SetAttribute(const QString& name, const QString& value) override;

    QString getText() const { return m_text; }
    void setText(const QString& text);
    void SetTextColor(const QColor& color);
    QColor TextColor() const { return m_textColor; }
    // The text as drawn in the current width.
    QString displayedText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setFontIndex(int index);

    QString m_text;
    QColor m_textColor;
    bool m_endEllipsis = false;
    Qt::Alignment m_align = Qt::AlignLeft | Qt::AlignVCenter;
};
