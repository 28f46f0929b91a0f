#pragma once

#include <QString>
#include <QVariantMap>

// A run's progress on the window's taskbar entry: the com.canonical.Unity.LauncherEntry
// "Update" signal on the session bus, which KDE Plasma's task manager and GNOME's docks read
// for the entry of the desktop file "lumora-plenum.desktop". Signals are sent only when the
// shown value changes by half a percent or more, so a run of many small photos sends at most
// about two hundred. Without a session bus nothing is sent. User-interface thread only.
class LauncherProgress
{
public:
    static constexpr const char* kAppUri = "application://lumora-plenum.desktop";
    static constexpr const char* kObjectPath = "/org/lumora_plenum/LumoraPlenum/launcher";

    // Shows the fraction done (0 to 1) on the entry.
    void setProgress(double fraction);
    // Takes the progress off the entry (the run has ended).
    void hide();

private:
    void send(const QVariantMap& properties);

    int m_shownStep = -1; // the fraction in steps of 1/200 last sent; -1 when hidden
};
