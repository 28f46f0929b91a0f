#pragma once

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include "model/WatermarkConf.h"

// What the open template editor stored into which layer file, so that a close can tell the
// person about changes that never reached a file (the files vanished or cannot be written
// while the editor was open) instead of dropping them. Every store of the editor goes
// through store(). Used on the user-interface thread only; the editor clears it when it opens.
namespace LayerStoreRecord {

// Stores the editing instance `conf` into the layer's file. A failed store whose values differ
// from the ones last stored (or first stored) for that layer is kept as an unstored change; a
// later successful store, or values back to the stored ones, drop it. True when the file was
// saved.
bool store(const QString& layer, const WatermarkConf& conf);

// The layers with unstored changes.
bool hasUnstored();
// The latest values known for each of `layers`, in that order: the unstored change, else
// the values last stored, else the layer's file as it reads now; layers known in none of
// these ways are left out.
QList<QPair<QString, WatermarkConf>> latestValues(const QStringList& layers);

void clear();

} // namespace LayerStoreRecord
