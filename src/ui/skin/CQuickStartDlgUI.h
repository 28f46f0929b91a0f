#pragma once

#include <QPointer>

#include "services/skin/SkinNotifier.h"
#include "ui/skin/CBaseDlgUI.h"

class QAbstractButton;

// The skinned quick-start window ("quickstart.xml"). Its option "dontshow_Option" always
// opens unticked; each click on it stores at once whether the window opens at start-up
// ("OpenQuickStartDlg" in "preference.xml": 1 when ticked, 0 when not).
class CQuickStartDlgUI : public CBaseDlgUI, public SkinNotifier
{
    Q_OBJECT
public:
    explicit CQuickStartDlgUI(QWidget* owner = nullptr);
    ~CQuickStartDlgUI() override;

    QString getWindowClassName() const override { return QStringLiteral("CQuickStartDlgUI"); }
    QAbstractButton* dontShowOption() const { return m_dontShow; }

    void notify(const SkinNotify& msg) override;

    // Writes "OpenQuickStartDlg" into "preference.xml" when the file loads; a missing
    // element is not added. True when the file was saved.
    static bool storeOpenQuickStart(bool dontShow);

protected:
    bool InitSkin() override;

private:
    QPointer<QAbstractButton> m_dontShow;
};
