#pragma once

#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QRect>

// An edit field drawn over a picture that contains a button: one picture while the text is
// empty, another while it is not. Typing stays inside the text rectangle; releasing the left
// mouse button inside the button rectangle sends the notify message to the notify window
// (when the field holds text, or always when it is always active).
//
// The button is the picture's own (the picture with text shows it); under the mouse it is drawn
// darker, and it has the tooltip "清除" (clear). The field draws no background or frame of its
// own, whatever style sheet its window has.
class CEditWithButton : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(bool clearButtonHovered READ clearButtonHovered)

public:
    // The first private message number (1024) plus 3000.
    static constexpr int kDefaultNotifyMessage = 4024;

    explicit CEditWithButton(QWidget* parent = nullptr);

    // Pictures by id through the language manager: without text, with text.
    void setBitmaps(int emptyId, int filledId);
    void setBitmaps(const QImage& empty, const QImage& filled);
    void setTextRect(const QRect& rect);
    void setButtonRect(const QRect& rect);
    QRect textRect() const { return m_textRect; }
    QRect buttonRect() const { return m_buttonRect; }
    // Notify window (default: the parent) and message.
    void setNotify(QObject* window, int message = kDefaultNotifyMessage);
    QObject* notifyWindow() const;
    void setAlwaysActive(bool alwaysActive) { m_alwaysActive = alwaysActive; }
    const QImage& currentBitmap() const;
    // Whether clicking the button does something now: the field holds text, or always active.
    bool buttonActive() const { return !text().isEmpty() || m_alwaysActive; }
    bool clearButtonHovered() const { return m_hovered; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Resizes to the current picture and keeps typing inside the text rectangle.
    void fitToBitmap();
    void paintButton(QPainter& painter) const;
    void setHovered(bool hovered);

    QImage m_empty;
    QImage m_filled;
    QRect m_textRect;
    QRect m_buttonRect;
    QPointer<QObject> m_notify;
    int m_notifyMessage = kDefaultNotifyMessage;
    bool m_alwaysActive = false;
    bool m_fitting = false;
    bool m_hovered = false;
};
