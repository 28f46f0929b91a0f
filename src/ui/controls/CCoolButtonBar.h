#pragma once

#include <QImage>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>

// One button of a CCoolButtonBar: seven integers, in the order of a button table.
struct CoolButton
{
    std::int32_t enabled = 1;
    std::int32_t commandCode = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t tooltipId = 0;

    QRect rect() const { return QRect(left, top, width, height); }
};

// A bar of picture buttons drawn from four pictures (normal, hot, pressed, disabled) that
// share one layout: each button's rectangle is also its source rectangle in the pictures.
// Releasing the mouse over an enabled button posts the target message to the target window
// with the button's command code as first parameter.
class CCoolButtonBar : public QWidget
{
    Q_OBJECT

public:
    enum BitmapIndex
    {
        Normal = 0,
        Hot = 1,
        Pressed = 2,
        Disabled = 3
    };

    explicit CCoolButtonBar(QWidget* parent = nullptr);

    // Loads the four pictures by id through the language manager and copies the buttons.
    void SetButtons(const QList<CoolButton>& buttons, const std::array<int, 4>& bitmapIds);
    void SetTarget(QObject* window, int message);
    void EnableButton(int commandCode, bool repaint = true);
    void DisableButton(int commandCode, bool repaint = true);
    void EnableAllButtons(bool repaint = true);
    void DisableAllButtons(bool repaint = true);
    void SetCaption(int x, int y, const QString& text);
    // Builds one tooltip per button from its tooltip string id (tool id = command code + 100).
    void CreateTooltips();
    void ReloadBitmaps();
    QSize getBitmapSize() const;

    const QList<CoolButton>& buttons() const { return m_buttons; }
    int pressedIndex() const { return m_pressed; }
    // The tooltip text of the tool under a point of the bar (empty when none).
    QString tooltipAt(const QPoint& pos) const;
    // The picture the bar shows, as painted.
    QImage renderBar() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Tool
    {
        int id = 0;
        QRect rect;
        QString text;
    };

    int buttonAt(const QPoint& pos, bool enabledOnly) const;
    void setEnabledFlag(int index, bool enabled);
    // Sets the flag of the button sending `commandCode`, or of every button, and repaints if asked.
    void setEnabledByCode(int commandCode, bool enabled, bool repaint);
    void setAllEnabled(bool enabled, bool repaint);
    // Sets the hot or pressed button's index and repaints when it changed.
    void repaintOnChange(int& button, int now);
    void paintBase(QPainter& painter, const QImage& base) const;
    // Draws the part of the picture given in device-independent pixels at `at`.
    static void drawPart(QPainter& painter, const QPoint& at, const QImage& picture, const QRect& part);

    std::array<QImage, 4> m_bitmaps;
    std::array<int, 4> m_bitmapIds{};
    QList<CoolButton> m_buttons;
    QList<Tool> m_tools;
    int m_hot = -1;
    int m_pressed = -1;
    bool m_captured = false;
    QPointer<QObject> m_target;
    int m_message = 0;
    QString m_caption;
    QPoint m_captionPos;
};
