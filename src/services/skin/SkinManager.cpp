#include "services/skin/SkinManager.h"

#include "services/skin/SkinList.h"
#include "services/skin/SkinListView.h"
#include "services/skin/SkinNotifier.h"
#include "services/skin/SkinResources.h"
#include "services/skin/SkinUiLoader.h"

#include <QAbstractButton>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QXmlStreamReader>

namespace {
QList<int> ints(const QVariant& value)
{
    QList<int> parts;
    for (const QString& part : value.toString().split(QLatin1Char(','), Qt::SkipEmptyParts))
        parts.append(part.trimmed().toInt());
    while (parts.size() < 4)
        parts.append(0);
    return parts;
}
} // namespace

SkinManager::SkinManager(QObject* parent) : QObject(parent) {}

bool SkinManager::Create(QWidget* host, const QString& layoutFile)
{
    m_host = host;
    const QString path = SkinResources::resourcePath() + layoutFile;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = tr("Cannot open the layout %1: %2").arg(path, file.errorString());
        return false;
    }
    SkinUiLoader loader;
    loader.setWorkingDirectory(QDir(SkinResources::resourcePath()));
    QWidget* root = loader.load(&file, host);
    if (!root) {
        m_error = tr("Cannot read the layout %1: %2").arg(path, loader.errorString());
        return false;
    }
    m_root = root;

    if (!host->layout()) {
        auto* layout = new QVBoxLayout(host);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    host->layout()->addWidget(root);
    host->setStyleSheet(loadStyleSheet());

    const QList<int> caption = ints(root->property("caption"));
    m_caption = QMargins(caption[0], caption[1], caption[2], 0);
    m_captionBottom = caption[3];
    const QList<int> box = ints(root->property("sizebox"));
    m_sizeBox = QMargins(box[0], box[1], box[2], box[3]);
    const QList<int> corner = ints(root->property("roundcorner"));
    m_roundCorner = QSize(corner[0], corner[1]);

    hookControls();
    if (qGuiApp->devicePixelRatio() > 1.0 && file.seek(0))
        loadLabelPictures(&file);
    return true;
}

QString SkinManager::loadStyleSheet()
{
    QFile file(SkinResources::resourcePath() + QStringLiteral("skin.qss"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString sheet = QString::fromUtf8(file.readAll());
    QString folder = SkinResources::resourcePath();
    if (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    sheet.replace(QStringLiteral("$SKIN"), folder);
    return sheet;
}

void SkinManager::loadLabelPictures(QIODevice* layout)
{
    QXmlStreamReader xml(layout);
    QStringList widgets; // the names of the widget elements around the reader
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("widget")) {
            widgets.append(xml.attributes().value(QLatin1String("name")).toString());
        } else if (xml.isEndElement() && xml.name() == QLatin1String("widget") && !widgets.isEmpty()) {
            widgets.removeLast();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("pixmap") && !widgets.isEmpty()) {
            const QString path = SkinResources::resolvePicture(xml.readElementText());
            if (auto* label = qobject_cast<QLabel*>(FindControl(widgets.last())))
                label->setPixmap(SkinResources::loadPicture(path));
        }
    }
}

void SkinManager::hookControls()
{
    const QList<QAbstractButton*> buttons = m_root->findChildren<QAbstractButton*>();
    for (QAbstractButton* button : buttons) {
        connect(button, &QAbstractButton::clicked, this,
                [this, button]() { sendNotify(QStringLiteral("click"), button, cursorInHost()); });
    }
    const QList<SkinList*> lists = m_root->findChildren<SkinList*>();
    for (SkinList* list : lists) {
        connect(list, &SkinList::notified, this, [this, list](const QString& type, const QPoint& pos) {
            sendNotify(type, list, m_host ? list->mapTo(m_host, pos) : pos);
        });
    }
    const QList<SkinListView*> views = m_root->findChildren<SkinListView*>();
    for (SkinListView* view : views) {
        connect(view, &SkinListView::notified, this, [this, view](const QString& type, const QPoint& pos) {
            sendNotify(type, view, m_host ? view->mapTo(m_host, pos) : pos);
        });
    }
}

QPoint SkinManager::cursorInHost() const
{
    const QWidget* host = m_host.data();
    return host != nullptr ? host->mapFromGlobal(QCursor::pos()) : QPoint();
}

QWidget* SkinManager::FindControl(const QString& name) const
{
    QWidget* root = m_root.data();
    if (root == nullptr || name.isEmpty())
        return nullptr;
    if (root->objectName() == name)
        return root;
    return root->findChild<QWidget*>(name);
}

QWidget* SkinManager::FindControl(const QPoint& point) const
{
    QWidget* host = m_host.data();
    if (host == nullptr || !host->rect().contains(point))
        return nullptr;
    return host->childAt(point);
}

void SkinManager::AddNotifier(SkinNotifier* notifier)
{
    if (notifier && !m_notifiers.contains(notifier))
        m_notifiers.append(notifier);
}

void SkinManager::removeNotifier(SkinNotifier* notifier)
{
    m_notifiers.removeAll(notifier);
}

void SkinManager::sendNotify(const QString& type, QWidget* sender, const QPoint& point)
{
    SkinNotify msg{type, sender, point};
    const QList<SkinNotifier*> notifiers = m_notifiers;
    for (SkinNotifier* notifier : notifiers)
        notifier->notify(msg);
}

QRect SkinManager::captionRect() const
{
    const QWidget* host = m_host.data();
    if (host == nullptr || m_captionBottom <= 0)
        return QRect();
    return QRect(QPoint(m_caption.left(), m_caption.top()),
                 QPoint(host->width() - m_caption.right() - 1, m_captionBottom - 1));
}

QMargins SkinManager::sizeBox() const
{
    return m_sizeBox;
}

QSize SkinManager::roundCorner() const
{
    return m_roundCorner;
}
