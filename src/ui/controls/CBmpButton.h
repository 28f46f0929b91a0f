#pragma once

#include <QAbstractButton>
#include <QImage>

#include <array>

// A push button drawn from four pictures (normal, pointer over, pressed, disabled) with its
// caption in a Tahoma font of a given pixel height.
class CBmpButton : public QAbstractButton
{
    Q_OBJECT

public:
    enum State
    {
        Normal = 0,
        Hot = 1,
        Pressed = 2,
        Disabled = 3
    };
    static constexpr int kDefaultFontHeight = 16;

    explicit CBmpButton(const QString& text = QString(), QWidget* parent = nullptr);

    // Pictures by id, loaded through the language manager; the button takes the normal
    // picture's size.
    void loadBitmaps(int normalId, int hotId, int pressedId, int disabledId);
    // Caption font: Tahoma, `pixelHeight` pixels high (16 when 0 or less), normal weight.
    void setTextFont(int pixelHeight);
    State currentState() const;
    const QImage& bitmap(State state) const { return m_bitmaps[state]; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<QImage, 4> m_bitmaps;
};
