#include "ui/editor/EditConfCommits.h"

#include "model/WatermarkConf.h"
#include "render/ComposeWatermark.h"
#include "ui/editor/LayerStoreRecord.h"

EditConfCommits::EditConfCommits(std::function<QString()> selectedLayer)
    : m_selectedLayer(std::move(selectedLayer))
{
}

void EditConfCommits::commit() const
{
    const QString name = m_selectedLayer();
    if (!name.isEmpty())
        LayerStoreRecord::store(name);
    ComposeWatermark(static_cast<int>(ComposeMode::EditorPreview), QString(), QString());
}

void EditConfCommits::changed()
{
    if (!m_ready)
        return;
    if (m_depth > 0) {
        m_pending = true;
        return;
    }
    commit();
}

void EditConfCommits::end()
{
    --m_depth;
    if (m_depth == 0 && m_pending && m_ready) {
        m_pending = false;
        commit();
    }
}

void EditConfCommits::endAndCommit()
{
    --m_depth;
    m_pending = false;
    commit();
}
