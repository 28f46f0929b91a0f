#pragma once

#include <QWidget>

#include <cstdint>

// A clickable box filled with a stored colour (red + 256 * green + 65536 * blue).
class ColourSwatch : public QWidget
{
    Q_OBJECT

public:
    explicit ColourSwatch(QWidget* parent = nullptr);

    void setColour(std::uint32_t colour);
    std::uint32_t colour() const { return m_colour; }
    QSize sizeHint() const override { return QSize(36, 18); }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::uint32_t m_colour = 0;
};
