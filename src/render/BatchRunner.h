#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "model/OutputSettings.h"
#include "render/ComposeWatermark.h"

// Drives one batch: takes photos one by one from a source, stamps up to `threads` of them at
// once on Qt's global thread pool, and reports every outcome on the calling thread in the
// order the photos were taken. Both the command line and the desktop program run their
// batches through it.
//
// Before a photo is stamped, an output plan refuses it when its output would replace a photo
// of the run or the output of a photo taken before it, and handles an output name a file
// already holds as the settings say (a skipped photo is reported done, with
// ComposeOutcome::skipped set, without a render); the photos left share no file, so the
// files written are the same whatever the number of threads. The stop test is made before
// each photo is taken: a stop lets the photos in progress finish and be reported.
// With one thread the run is strictly one photo after the other: a photo is taken only when
// the one before it has been reported.
class BatchRunner
{
public:
    struct Photo
    {
        QString path;
        int tag = -1; // the caller's own number for the photo (a list row, an argument index)
    };
    // What a render is handed with a photo: its place in the run's list, from 1 (its tag + 1,
    // the list row or argument index, else the order in which it was taken), so that numbered
    // outputs do not depend on the number of threads; and the output file the plan gave it (a
    // numbered name when an existing file is kept beside it; empty when the settings name no
    // output). Batch renders write there.
    struct Task
    {
        Photo photo;
        int number = 0;
        QString plannedOutput;
    };
    // The next photo in list order, or nothing at the end. Called on the calling thread.
    using NextPhoto = std::function<std::optional<Photo>()>;
    using Report = std::function<void(const Photo& photo, const ComposeOutcome& outcome)>;
    using StopTest = std::function<bool()>;
    // Renders one photo (called on a worker thread). An exception it lets out is reported as
    // the photo's failure.
    using Render = std::function<ComposeOutcome(const Task& task)>;

    struct Totals
    {
        int taken = 0;
        bool stopped = false;
    };

    // `output`: the settings the run writes by; `sources`: the photos of the run known at its
    // start (photos taken later join the plan when they are taken).
    BatchRunner(const OutputSettings& output, const QStringList& sources, Render render);

    // Runs until the source is exhausted or `stop` says so; returns when every photo taken
    // has been reported.
    Totals run(int threads, const NextPhoto& next, const Report& report, const StopTest& stop = {});

private:
    OutputSettings m_output;
    QStringList m_sources;
    Render m_render;
};
