#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include "model/OutputSettings.h"
#include "services/files/Outcome.h"

// Decides, photo by photo in list order, whether a run may write a photo's output, so that a
// run never destroys one of its own inputs and never writes one output twice:
// - no output replaces a file that is a source photo of the same run (compared by the file's
//   identity, device and inode, so links and hard links count; a photo that does not exist
//   yet, and may be written by the run, by its real path);
// - when two photos map to one output file (the same file by its real folder, so a linked
//   folder counts), the later one in list order is refused with a reason naming the earlier.
// - an output name that a file already holds is handled as settings.ifOutputExists says:
//   replaced, left alone (the photo is skipped), or kept beside the new output, which takes
//   the first numbered name ("name (2).jpg") that no file, photo of the run or earlier output
//   holds.
// The decisions depend on the list and the files only, never on the order in which photos
// finish, so the files written are the same whatever the number of parallel jobs: photos that
// are allowed never share a file and can be stamped side by side.
class OutputPlan
{
public:
    // `sources`: every photo of the run known when it starts.
    OutputPlan(const OutputSettings& settings, const QStringList& sources);

    // Adds a photo that joined the run after it started (the desktop's list can grow).
    void addSource(const QString& source);

    // Done: the photo may be written; skipped: its output exists and is left as it is;
    // failed: the photo may not be written, and the sentence says why.
    struct Claim : Outcome
    {
        Claim(const Outcome& outcome, const QString& file) : Outcome(outcome), output(file) {}
        QString output; // the file to write (empty when the settings name none: the render says why)
    };
    // Takes photo `source`'s output for it. Call once per photo, in list order.
    Claim claim(const QString& source);

    // The output file a photo is written to (empty when the settings name none).
    QString outputPathOf(const QString& source) const;

private:
    struct Identity
    {
        quint64 device = 0;
        quint64 inode = 0;
        friend bool operator==(const Identity&, const Identity&) = default;
        friend size_t qHash(const Identity& id, size_t seed = 0) noexcept
        {
            return qHashMulti(seed, id.device, id.inode);
        }
    };
    static bool identityOf(const QString& path, bool followLinks, Identity& id);
    // The output's path with its folder resolved to the real folder (links followed, the part
    // that does not exist yet appended as it stands).
    static QString realOutputPath(const QString& path);
    // Fails with the sentence why `output` may not be written for `source`; done when nothing
    // of the run stands in its way.
    Outcome refusalFor(const QString& source, const QString& output) const;
    // True when a file, a photo of the run or an earlier output holds the name.
    bool isTaken(const QString& output) const;

    OutputSettings m_settings;
    QHash<Identity, QString> m_sources;    // identity -> the first path naming it
    QHash<QString, QString> m_sourcePaths; // real path -> the first path naming it (also for
                                           // photos that do not exist yet)
    QHash<QString, QString> m_outputs;     // real output path -> the photo that claimed it
};
