#include "ui/skin/CMyDropTarget.h"

#include "services/messages/WindowMessage.h"
#include "services/skin/SkinListView.h"
#include "ui/skin/CMainDlgUI.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

CMyDropTarget::CMyDropTarget(CMainDlgUI* ui, QObject* parent) : QObject(parent), m_ui(ui) {}

void CMyDropTarget::registerTarget(QWidget* window, QObject* messageTarget)
{
    m_window = window;
    m_messageTarget = messageTarget;
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

QString CMyDropTarget::privateFormat()
{
    return QStringLiteral("LUMORA_3BCFE9D1_6D61_4cb6_9D0B_3BB3F643CA82");
}

namespace {
bool hasPrivateFormat(const QMimeData* data)
{
    const QString name = CMyDropTarget::privateFormat();
    for (const QString& format : data->formats()) {
        if (format == name || format.contains(QLatin1Char('"') + name + QLatin1Char('"')))
            return true;
    }
    return false;
}
} // namespace

Qt::DropAction CMyDropTarget::OnDragEnter(const QMimeData* data) const
{
    if (!data || hasPrivateFormat(data))
        return Qt::IgnoreAction;
    return data->hasUrls() ? Qt::CopyAction : Qt::IgnoreAction;
}

Qt::DropAction CMyDropTarget::OnDragOver(const QMimeData* data) const
{
    return OnDragEnter(data);
}

void CMyDropTarget::OnDragLeave() {}

bool CMyDropTarget::extensionAccepted(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QString extension = name.mid(dot).toUpper();
    return CMainDlgUI::openFileFilter().toUpper().contains(extension);
}

bool CMyDropTarget::OnDrop(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return false;
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    addFiles(paths);
    return true;
}

int CMyDropTarget::addFiles(const QStringList& paths)
{
    QStringList accepted;
    for (const QString& path : paths) {
        if (m_ui->containsFile(path))
            continue;
        if (!extensionAccepted(path))
            continue;
        if (QFileInfo(path).isDir())
            continue; // a folder is never a photo, whatever its name
        accepted.append(path);
    }
    const int added = m_ui->addFileItems(accepted);
    if (m_ui->fileList() && m_ui->fileList()->getCount() > 0)
        m_ui->fileList()->scrollToBottom();
    postWindowMessage(m_messageTarget, FilesAddedMessage);
    return added;
}

bool CMyDropTarget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter: // a QDragEnterEvent is a QDragMoveEvent
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const Qt::DropAction action =
            event->type() == QEvent::DragEnter ? OnDragEnter(drag->mimeData()) : OnDragOver(drag->mimeData());
        if (action == Qt::IgnoreAction) {
            drag->ignore();
        } else {
            drag->setDropAction(action);
            drag->accept();
        }
        return true;
    }
    case QEvent::DragLeave:
        OnDragLeave();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (OnDragEnter(drop->mimeData()) == Qt::IgnoreAction) {
            drop->ignore();
            return true;
        }
        OnDrop(drop->mimeData());
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        return true;
    }
    default:
        return false;
    }
}
