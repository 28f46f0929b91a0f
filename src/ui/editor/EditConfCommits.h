#pragma once

#include <QString>

#include <functional>

#include "model/WatermarkConf.h"
#include "services/files/Outcome.h"

// The commits of a layer page: after every change EditConf is stored into the layer the page
// shows and the page's owner is told (the editor then redraws its preview), but only once for a
// batch of changes (showing a layer fills many controls, each of which reports a change).
// Changes reported before the page is ready are not committed.
class EditConfCommits
{
public:
    // `selectedLayer` gives the name of the layer the page shows, empty when none is selected;
    // `conf` is the editing instance stored into it.
    EditConfCommits(std::function<QString()> selectedLayer, const WatermarkConf& conf);

    void setReady() { m_ready = true; }
    // Called with the outcome of every store (a failure names the layer's file), so the editor
    // can show why a change did not reach the file and redraw its preview.
    void setReport(std::function<void(const Outcome&)> report) { m_report = std::move(report); }

    // Stores EditConf into the selected layer (when there is one) and tells the report.
    // Fails when the layer's file cannot be loaded or saved.
    Outcome commit() const;
    // A change: commits at once, or once when the open batch ends.
    void changed();

    // Opens a batch of changes; batches nest.
    void begin() { ++m_depth; }
    // The open batch commits when it ends, even if no change is reported.
    void markPending() { m_pending = true; }
    // Closes a batch; closing the outermost batch of a ready page commits if a change came in.
    void end();
    // Closes a batch and commits at once, whether or not a change came in.
    void endAndCommit();

private:
    std::function<QString()> m_selectedLayer;
    const WatermarkConf& m_conf;
    std::function<void(const Outcome&)> m_report;
    bool m_ready = false;
    int m_depth = 0;
    bool m_pending = false;
};
