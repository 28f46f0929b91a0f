#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "render/ComposeWatermark.h"
#include "render/RenderRequest.h"

// Stamps a list of photos on several threads and hands the outcomes back in input order.
//
// The files written do not depend on the number of threads: a photo whose output is the
// output or the source of an earlier photo in the list, or whose source is an earlier
// photo's output, waits until that photo is done, so that it sees and leaves the same
// files as a run of one photo after the other.
class ParallelStamper
{
public:
    // `base` holds the settings shared by every photo (mode, template, output and resize
    // settings); its source path is replaced by each photo's.
    ParallelStamper(const RenderRequest& base, const QStringList& photos);

    // Runs with `threads` workers (at least 1). `report` is called on the calling thread for
    // each photo in input order, as soon as that photo and every photo before it are done.
    void run(int threads, const std::function<void(int index, const ComposeOutcome&)>& report);

private:
    // Earlier photos that must be done before photo i starts.
    QList<QList<int>> dependencies() const;

    RenderRequest m_base;
    QStringList m_photos;
};
