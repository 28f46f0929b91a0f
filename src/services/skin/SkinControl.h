#pragma once

#include <QMargins>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

// Base of the controls that skinned lists build at run time from attribute texts
// (see ApplyAttributeList). It knows the attributes every control shares: its name, fixed
// and minimum sizes, the padding its container leaves around it, absolute ("float")
// placement, a background picture and a tag.
class SkinControl : public QWidget
{
    Q_OBJECT
public:
    explicit SkinControl(QWidget* parent = nullptr);

    // Applies one attribute; returns false for a name this control does not know.
    virtual bool SetAttribute(const QString& name, const QString& value);

    qint64 tag() const { return m_tag; }
    void setTag(qint64 tag) { m_tag = tag; }

    int fixedWidth() const { return m_fixedWidth; }
    int fixedHeight() const { return m_fixedHeight; }
    int minWidth() const { return m_minWidth; }
    QMargins padding() const { return m_padding; }
    bool isFloat() const { return m_float; }
    QRect floatPos() const { return m_pos; }

    // The background picture, given as a layout reference (see SkinResources::resolvePicture).
    void SetBkImage(const QString& reference);
    QString bkImage() const { return m_bkImagePath; }
    QPixmap bkPixmap() const { return m_bkImage; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void paintBkImage(QPainter& painter);
    // Tells the container that holds this control to place its children again.
    void requestRelayout();

private:
    qint64 m_tag = 0;
    int m_fixedWidth = 0;
    int m_fixedHeight = 0;
    int m_minWidth = 0;
    QMargins m_padding;
    bool m_float = false;
    QRect m_pos;
    QString m_bkImagePath;
    QPixmap m_bkImage;
};
