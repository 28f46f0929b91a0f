#pragma once

#include <QString>

#include <chrono>

// Temporary files that a settings save killed before its rename leaves beside the settings
// file. Settings are saved through AtomicFileWriter with Naming::BesideTarget, whose temporary
// file is the target's name, a dot and six random letters ("preference.xml.AbCdEf", the form
// QSaveFile used); normally it is renamed over the target or removed, but a process killed in
// between leaves it behind for good. Each save removes the leftovers of its own target before
// writing.
namespace SaveLeftovers {

// Younger temporary files may belong to a save that is still running: the whole file is
// written under that name and renamed a moment later.
inline constexpr std::chrono::seconds kStaleAge{5};

// Whether `name` has the form of a temporary file of the target file `targetName`.
bool isLeftoverName(const QString& targetName, const QString& name);

// Removes the temporary files of `targetPath` in its folder that are regular files of this
// user and were last written at least `minimumAge` ago. Links, folders and every other
// name are left alone; nothing is followed. Returns how many files were removed.
int removeStale(const QString& targetPath, std::chrono::seconds minimumAge = kStaleAge);

} // namespace SaveLeftovers
