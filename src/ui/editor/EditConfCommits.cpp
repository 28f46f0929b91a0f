#include "ui/editor/EditConfCommits.h"

#include <QDir>

#include "model/DataFiles.h"
#include "model/WatermarkConf.h"
#include "services/language/FailureReason.h"
#include "ui/editor/LayerStoreRecord.h"

EditConfCommits::EditConfCommits(std::function<QString()> selectedLayer, const WatermarkConf& conf)
    : m_selectedLayer(std::move(selectedLayer)), m_conf(conf)
{
}

Outcome EditConfCommits::commit() const
{
    const QString name = m_selectedLayer();
    Outcome stored;
    if (!name.isEmpty() && !LayerStoreRecord::store(name, m_conf))
        stored = Outcome::failure(FailureReason::tr("the changes to layer \"%1\" cannot be written to %2")
                                      .arg(name, QDir::toNativeSeparators(templateFilePath(name))));
    if (m_report)
        m_report(stored);
    return stored;
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
