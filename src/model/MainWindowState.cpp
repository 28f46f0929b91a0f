#include "model/MainWindowState.h"

#include "model/DataFiles.h"
#include "services/ini/IniFile.h"

namespace {
const QString kX = QStringLiteral("MainWindowX");
const QString kY = QStringLiteral("MainWindowY");
const QString kWidth = QStringLiteral("MainWindowWidth");
const QString kHeight = QStringLiteral("MainWindowHeight");
const QString kMaximised = QStringLiteral("MainWindowMaximized");
const QString kFolder = QStringLiteral("AddPhotosFolder");
const QString kThumbnails = QStringLiteral("ShowThumbnails");
} // namespace

MainWindowState MainWindowState::load()
{
    MainWindowState state;
    IniFile ini(configIniPath());
    if (!ini.load())
        return state;
    const QString section = profileSectionName();
    if (ini.contains(section, kWidth) && ini.contains(section, kHeight)) {
        const QRect rect(ini.intValue(section, kX, 0), ini.intValue(section, kY, 0),
                         ini.intValue(section, kWidth, 0), ini.intValue(section, kHeight, 0));
        if (rect.width() > 0 && rect.height() > 0)
            state.geometry = rect;
    }
    state.maximised = ini.intValue(section, kMaximised, 0) != 0;
    state.addPhotosFolder = ini.value(section, kFolder);
    state.showThumbnails = ini.intValue(section, kThumbnails, 1) != 0;
    return state;
}

Outcome MainWindowState::storeGeometry(const QRect& normalGeometry, bool maximised)
{
    IniFile ini(configIniPath());
    const Outcome loaded = ini.load();
    if (!loaded)
        return loaded;
    const QString section = profileSectionName();
    ini.setValue(section, kX, normalGeometry.x());
    ini.setValue(section, kY, normalGeometry.y());
    ini.setValue(section, kWidth, normalGeometry.width());
    ini.setValue(section, kHeight, normalGeometry.height());
    ini.setValue(section, kMaximised, maximised ? 1 : 0);
    return ini.save();
}

Outcome MainWindowState::storeAddPhotosFolder(const QString& folder)
{
    return IniFile::writeString(configIniPath(), profileSectionName(), kFolder, folder);
}

Outcome MainWindowState::storeShowThumbnails(bool show)
{
    return IniFile::writeInt(configIniPath(), profileSectionName(), kThumbnails, show ? 1 : 0);
}
