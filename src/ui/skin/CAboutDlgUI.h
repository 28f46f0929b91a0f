#pragma once

#include <functional>

#include "services/skin/SkinNotifier.h"
#include "ui/skin/CBaseDlgUI.h"

// The skinned about window ("about.xml"): the product title and version, links to the home
// page, the support address and the video page, and the buttons that close it.
class CAboutDlgUI : public CBaseDlgUI, public SkinNotifier
{
    Q_OBJECT
public:
    // Reads the program's version (major, minor, build); 0 on success.
    using VersionReader = std::function<int(int* major, int* minor, int* build)>;

    explicit CAboutDlgUI(QWidget* owner = nullptr);
    ~CAboutDlgUI() override;

    QString getWindowClassName() const override { return QStringLiteral("CAboutDlgUI"); }

    // "Lumora Plenum v<major>.<minor>.<build> ", blank at the end.
    static QString versionLabelText(int major, int minor, int build);
    // Replaces the version source (an empty function brings back the program's own).
    static void setVersionReader(VersionReader reader);

    void notify(const SkinNotify& msg) override;

protected:
    bool InitSkin() override;
};
