#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "render/ComposeWatermark.h"
#include "render/RenderRequest.h"

// Stamps a list of photos on several threads and hands the outcomes back in input order.
//
// The files written do not depend on the number of threads: before anything is stamped, an
// output plan refuses every photo whose output would replace a photo of the run or the output
// of an earlier photo, so the photos left share no file and may be stamped in any order.
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
    RenderRequest m_base;
    QStringList m_photos;
};
