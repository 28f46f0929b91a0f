#include "ui/editor/PreviewPhotoChooser.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QToolButton>

PreviewPhotoChooser::PreviewPhotoChooser(QWidget* parent)
    : QWidget(parent), m_list(new QComboBox(this)), m_previous(new QToolButton(this)),
      m_next(new QToolButton(this))
{
    m_list->setObjectName(QStringLiteral("preview_photo"));
    m_previous->setObjectName(QStringLiteral("previous_photo"));
    m_next->setObjectName(QStringLiteral("next_photo"));
    m_previous->setText(QStringLiteral("‹"));
    m_next->setText(QStringLiteral("›"));
    m_previous->setToolTip(tr("上一张"));
    m_next->setToolTip(tr("下一张"));
    m_list->setToolTip(tr("预览所用的图片"));
    m_list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_list->setMinimumContentsLength(12);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(m_previous);
    row->addWidget(m_list, 1);
    row->addWidget(m_next);
    connect(m_previous, &QToolButton::clicked, this, [this] { step(-1); });
    connect(m_next, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_list, &QComboBox::currentIndexChanged, this, &PreviewPhotoChooser::onIndexChanged);
    setPhotos({});
}

void PreviewPhotoChooser::setPhotos(const QStringList& paths)
{
    m_paths = paths;
    {
        const QSignalBlocker block(m_list);
        m_list->clear();
        m_list->addItem(tr("示例图片"));
        for (const QString& path : paths) {
            m_list->addItem(QFileInfo(path).fileName());
            m_list->setItemData(m_list->count() - 1, path, Qt::ToolTipRole);
        }
        m_list->setCurrentIndex(0);
    }
    onIndexChanged(0);
}

QString PreviewPhotoChooser::chosenPhoto() const
{
    const int index = m_list->currentIndex();
    return index >= 1 && index <= m_paths.size() ? m_paths.at(index - 1) : QString();
}

int PreviewPhotoChooser::currentIndex() const
{
    return m_list->currentIndex();
}

int PreviewPhotoChooser::count() const
{
    return m_list->count();
}

void PreviewPhotoChooser::step(int steps)
{
    const int index = qBound(0, m_list->currentIndex() + steps, m_list->count() - 1);
    if (index != m_list->currentIndex())
        m_list->setCurrentIndex(index);
}

void PreviewPhotoChooser::onIndexChanged(int index)
{
    m_previous->setEnabled(index > 0);
    m_next->setEnabled(index + 1 < m_list->count());
    if (sender() == m_list)
        emit chosen(chosenPhoto());
}
