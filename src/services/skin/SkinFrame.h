#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

class QWidget;
class SkinManager;

// The frame behaviour of a frameless skinned window: dragging by the caption area,
// resizing from the size-box margins, rounded corners, double click on the caption to
// maximise or restore, and "max_btn"/"restore_btn" swapping with the maximised state.
class SkinFrame : public QObject
{
    Q_OBJECT
public:
    enum HitArea
    {
        HitClient,
        HitCaption,
        HitLeft,
        HitRight,
        HitTop,
        HitTopLeft,
        HitTopRight,
        HitBottom,
        HitBottomLeft,
        HitBottomRight,
    };

    // Makes the window frameless and starts watching it.
    SkinFrame(QWidget* window, SkinManager* skin);
    ~SkinFrame() override;

    // What a point (window coordinates) of the window does: size-box margins resize (not
    // while maximised); the caption drags unless a button, option box or text field is there.
    HitArea hitTest(const QPoint& point) const;

    // Shows "max_btn" or "restore_btn" according to the window's state.
    void updateMaxRestoreButtons();
    // Sets or removes the rounded window shape according to the window's state.
    void applyRoundCorner();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleMouse(QWidget* widget, QEvent* event);
    void updateCursor(HitArea area);
    void dragTo(const QPoint& globalPos);

    QWidget* m_window; // the frame is a child of the window and ends with it
    SkinManager* m_skin;
    HitArea m_dragArea = HitClient;
    QPoint m_dragStart;
    QRect m_startGeometry;
    bool m_cursorSet = false;
};
