#pragma once

#include <QAbstractButton>
#include <QImage>

// A picture push button whose picture holds three frames of equal width side by side:
// 0 normal, 1 pressed or disabled, 2 pointer over the button. The button takes the size of
// one frame.
class CHoverButton : public QAbstractButton
{
    Q_OBJECT

public:
    enum Frame
    {
        NormalFrame = 0,
        PressedFrame = 1,
        HoverFrame = 2
    };

    explicit CHoverButton(QWidget* parent = nullptr);

    // The picture by id (language file first, then built in), with the greys of the
    // three-dimensional look mapped to the current palette.
    bool loadBitmap(int id);
    bool loadBitmapFromFile(const QString& path);
    void setToolTipText(const QString& text);
    Frame currentFrame() const;
    QSize frameSize() const;

    QSize sizeHint() const override { return frameSize(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool setPicture(const QImage& picture);

    QImage m_picture;
    bool m_hover = false;
};
