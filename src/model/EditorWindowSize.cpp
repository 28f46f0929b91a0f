#include "model/EditorWindowSize.h"

#include "model/DataFiles.h"
#include "services/ini/IniFile.h"

namespace {

const QString kWidthKey = QStringLiteral("EditorWidth");
const QString kHeightKey = QStringLiteral("EditorHeight");
const QString kMaximizedKey = QStringLiteral("EditorMaximized");

// Larger than any screen: a damaged value is not kept.
constexpr int kLargest = 32767;

} // namespace

EditorWindowSize readEditorWindowSize()
{
    const QString path = configIniPath();
    const QString section = profileSectionName();
    EditorWindowSize kept;
    const int width = IniFile::readInt(path, section, kWidthKey, 0);
    const int height = IniFile::readInt(path, section, kHeightKey, 0);
    if (width > 0 && height > 0 && width <= kLargest && height <= kLargest)
        kept.size = QSize(width, height);
    kept.maximized = IniFile::readInt(path, section, kMaximizedKey, 0) == 1;
    return kept;
}

Outcome writeEditorWindowSize(const EditorWindowSize& kept)
{
    const QString path = configIniPath();
    const QString section = profileSectionName();
    // Every key is tried; the first failure is the one reported.
    Outcome written;
    const auto keep = [&written](const Outcome& outcome) {
        if (written && !outcome)
            written = outcome;
    };
    if (kept.size.isValid()) {
        keep(IniFile::writeInt(path, section, kWidthKey, kept.size.width()));
        keep(IniFile::writeInt(path, section, kHeightKey, kept.size.height()));
    }
    keep(IniFile::writeInt(path, section, kMaximizedKey, kept.maximized ? 1 : 0));
    return written;
}
