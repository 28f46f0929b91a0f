#include "services/skin/SkinControl.h"

#include "services/skin/SkinAttributes.h"
#include "services/skin/SkinContainer.h"
#include "services/skin/SkinResources.h"

#include <QPainter>
#include <QStringList>

SkinControl::SkinControl(QWidget* parent) : QWidget(parent) {}

bool SkinControl::SetAttribute(const QString& name, const QString& value)
{
    if (name == QLatin1String("name")) {
        setObjectName(value);
    } else if (name == QLatin1String("width")) {
        m_fixedWidth = value.toInt();
    } else if (name == QLatin1String("height")) {
        m_fixedHeight = value.toInt();
    } else if (name == QLatin1String("minwidth")) {
        m_minWidth = value.toInt();
    } else if (name == QLatin1String("padding")) {
        const QList<int> p = parseFourInts(value);
        m_padding = QMargins(p[0], p[1], p[2], p[3]);
    } else if (name == QLatin1String("float")) {
        m_float = value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    } else if (name == QLatin1String("pos")) {
        const QList<int> p = parseFourInts(value);
        m_pos = QRect(QPoint(p[0], p[1]), QPoint(p[2] - 1, p[3] - 1));
    } else if (name == QLatin1String("bkimage")) {
        SetBkImage(value);
    } else if (name == QLatin1String("tooltip")) {
        setToolTip(value);
    } else if (name == QLatin1String("visible")) {
        setVisible(value != QLatin1String("false"));
    } else if (name == QLatin1String("enabled")) {
        setEnabled(value != QLatin1String("false"));
    } else {
        return false;
    }
    updateGeometry();
    requestRelayout();
    return true;
}

void SkinControl::SetBkImage(const QString& reference)
{
    m_bkImagePath = SkinResources::resolvePicture(reference);
    m_bkImage = SkinResources::loadPicture(m_bkImagePath);
    update();
}

QSize SkinControl::sizeHint() const
{
    return QSize(m_fixedWidth > 0 ? m_fixedWidth : qMax(m_minWidth, 16),
                 m_fixedHeight > 0 ? m_fixedHeight : 16);
}

QSize SkinControl::minimumSizeHint() const
{
    return QSize(m_fixedWidth > 0 ? m_fixedWidth : m_minWidth, m_fixedHeight);
}

void SkinControl::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    paintBkImage(painter);
}

void SkinControl::paintBkImage(QPainter& painter)
{
    if (m_bkImage.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), m_bkImage);
}

void SkinControl::requestRelayout()
{
    if (auto* container = qobject_cast<SkinContainer*>(parentWidget()))
        container->relayout();
}
