#include "ui/editor/EditorHistory.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QUndoCommand>
#include <QUndoStack>

#include "model/DataFiles.h"
#include "services/files/AtomicFileWriter.h"
#include "ui/editor/TemplateLayerList.h"

namespace {

EditorHistory* openHistory = nullptr;

std::optional<QByteArray> readBytes(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

// One step: the files before and after it. Pushed after the change was stored, so the first
// redo (QUndoStack::push calls it) has nothing to write.
class EditorHistory::FileStep : public QUndoCommand
{
public:
    FileStep(EditorHistory* history, Files before, Files after)
        : m_history(history), m_before(std::move(before)), m_after(std::move(after))
    {
    }

    void undo() override { m_history->restore(m_before); }
    void redo() override
    {
        if (!m_history->m_pushing)
            m_history->restore(m_after);
    }

private:
    EditorHistory* m_history;
    Files m_before;
    Files m_after;
};

EditorHistory::EditorHistory(const QString& templateName, std::function<void()> reload, QObject* parent)
    : QObject(parent), m_templateName(templateName), m_reload(std::move(reload)),
      m_stack(new QUndoStack(this))
{
    m_settled = capture();
    openHistory = this;
}

EditorHistory::~EditorHistory()
{
    if (openHistory == this)
        openHistory = nullptr;
}

EditorHistory* EditorHistory::current()
{
    return openHistory;
}

bool EditorHistory::editInProgress() const
{
    return m_held > 0 || m_typing;
}

void EditorHistory::typing()
{
    m_typing = true;
}

void EditorHistory::stored()
{
    if (m_restoring)
        return;
    // Decided once the event that made the change is done: a field reports a keystroke as
    // changed before it reports it as typed.
    QTimer::singleShot(0, this, [this] {
        if (!editInProgress())
            closeStep();
    });
}

void EditorHistory::closeStep()
{
    if (m_restoring)
        return;
    m_typing = false;
    Files now = capture();
    // Files named only in the settled state (a layer removed since) are part of the step.
    for (auto it = m_settled.constBegin(); it != m_settled.constEnd(); ++it)
        if (!now.contains(it.key()))
            now.insert(it.key(), readBytes(it.key()));
    Files before = m_settled;
    for (auto it = now.constBegin(); it != now.constEnd(); ++it)
        if (!before.contains(it.key()))
            before.insert(it.key(), std::nullopt); // a file made in this step
    if (before == now)
        return;
    m_settled = now;
    m_pushing = true;
    m_stack->push(new FileStep(this, std::move(before), std::move(now)));
    m_pushing = false;
}

void EditorHistory::hold()
{
    ++m_held;
}

void EditorHistory::release()
{
    if (m_held > 0)
        --m_held;
    stored();
}

void EditorHistory::undo()
{
    closeStep();
    m_stack->undo();
}

void EditorHistory::redo()
{
    closeStep();
    m_stack->redo();
}

EditorHistory::Files EditorHistory::capture() const
{
    Files files;
    const QString templatePath = templateFilePath(m_templateName);
    if (templatePath.isEmpty())
        return files;
    files.insert(templatePath, readBytes(templatePath));
    for (const QString& layer : TemplateLayerList::read(m_templateName)) {
        const QString path = templateFilePath(layer);
        if (!path.isEmpty())
            files.insert(path, readBytes(path));
    }
    return files;
}

void EditorHistory::restore(const Files& files)
{
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        const std::optional<QByteArray> present = readBytes(it.key());
        if (present == it.value())
            continue;
        if (!it.value()) {
            QFile::remove(it.key()); // a link is removed, never followed
            continue;
        }
        // A file that cannot be written keeps what it has; the editor then shows that.
        AtomicFileWriter writer(it.key(), AtomicFileWriter::Naming::BesideTarget);
        if (writer.open() && writer.write(it.value()->constData(), it.value()->size()))
            writer.commit();
    }
    m_restoring = true;
    if (m_reload)
        m_reload();
    m_restoring = false;
    m_settled = capture();
    for (auto it = files.constBegin(); it != files.constEnd(); ++it)
        if (!m_settled.contains(it.key()))
            m_settled.insert(it.key(), readBytes(it.key()));
}
