#pragma once

#include "services/skin/SkinNotify.h"

#include <QList>
#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>

class QIODevice;
class SkinNotifier;

// Builds a skinned window's controls from a layout file of the skin folder and delivers
// their notifications. The layout's root widget declares the window's frame with dynamic
// properties:
//   caption     "l,t,r,b"  the drag area: from x = l to width - r, from y = t to y = b
//   sizebox     "l,t,r,b"  margins at the window's edges that resize it
//   roundcorner "w,h"      size of the rounded corners
// The style sheet "skin.qss" of the same folder gives the look; "$SKIN" in it stands for
// the skin folder.
class SkinManager : public QObject
{
    Q_OBJECT
public:
    explicit SkinManager(QObject* parent = nullptr);

    // Loads the layout into host (which keeps it until it is destroyed). Returns false, with
    // errorString() set, when the file is missing or cannot be read.
    bool Create(QWidget* host, const QString& layoutFile);
    QString errorString() const { return m_error; }

    QWidget* root() const { return m_root; }

    // The control with that object name, or nullptr.
    QWidget* FindControl(const QString& name) const;
    // The innermost control under a point in host coordinates, or nullptr.
    QWidget* FindControl(const QPoint& point) const;

    void AddNotifier(SkinNotifier* notifier);
    void removeNotifier(SkinNotifier* notifier);
    // Delivers a notification to every notifier.
    void sendNotify(const QString& type, QWidget* sender, const QPoint& point);

    // The frame the layout declares, in host coordinates.
    QRect captionRect() const;
    QMargins sizeBox() const;
    QSize roundCorner() const;

    // The style sheet text with "$SKIN" replaced, or empty when there is none.
    static QString loadStyleSheet();

private:
    void hookControls();
    // Gives the labels of the layout that show a picture the skin's twice as large picture on
    // screens scaled by more than one (Qt's layout loader reads only the picture named).
    void loadLabelPictures(QIODevice* layout);
    QPoint cursorInHost() const;

    QPointer<QWidget> m_host;
    QPointer<QWidget> m_root;
    QList<SkinNotifier*> m_notifiers;
    QString m_error;
    QMargins m_caption;
    int m_captionBottom = 0;
    QMargins m_sizeBox;
    QSize m_roundCorner;
};
