#include "ui/editor/LayerStoreRecord.h"

#include "model/LayerFiles.h"
#include "ui/editor/EditorHistory.h"

namespace LayerStoreRecord {

namespace {

QMap<QString, WatermarkConf>& stored()
{
    static QMap<QString, WatermarkConf> values;
    return values;
}

QMap<QString, WatermarkConf>& unstored()
{
    static QMap<QString, WatermarkConf> values;
    return values;
}

} // namespace

bool store(const QString& layer, const WatermarkConf& conf)
{
    EditorHistory* history = EditorHistory::current();
    // An undone or redone step has written the files already; showing them stores nothing.
    if (history && history->isRestoring())
        return true;
    if (StoreEditConf(layer, conf)) {
        stored().insert(layer, conf);
        unstored().remove(layer);
        if (history)
            history->stored();
        return true;
    }
    if (stored().contains(layer) && stored().value(layer) == conf)
        unstored().remove(layer);
    else
        unstored().insert(layer, conf);
    return false;
}

bool hasUnstored()
{
    return !unstored().isEmpty();
}

QList<QPair<QString, WatermarkConf>> latestValues(const QStringList& layers)
{
    QList<QPair<QString, WatermarkConf>> values;
    for (const QString& layer : layers) {
        WatermarkConf conf;
        if (unstored().contains(layer))
            values.append({layer, unstored().value(layer)});
        else if (stored().contains(layer))
            values.append({layer, stored().value(layer)});
        else if (LoadEditConf(layer, conf))
            values.append({layer, conf});
    }
    return values;
}

void clear()
{
    stored().clear();
    unstored().clear();
}

} // namespace LayerStoreRecord
