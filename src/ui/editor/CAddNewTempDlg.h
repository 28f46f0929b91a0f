#pragma once

#include <QString>

#include "ui/editor/NamingDialogBase.h"

// Asks for a template name. The OK button stores the typed text into the caller's pending
// name and closes when the name is usable; duplicates are the caller's to check.
class CAddNewTempDlg : public NamingDialogBase
{
    Q_OBJECT

public:
    CAddNewTempDlg(const QString& title, QString& pendingName, QWidget* parent = nullptr);

protected:
    void onOk() override;

private:
    QString& m_pending;
};
