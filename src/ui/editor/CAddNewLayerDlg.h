#pragma once

#include <QStringList>

#include "ui/editor/NamingDialogBase.h"

// Asks for a layer name that is valid as a file name in the templates folder and not used
// by any of the given names (compared without regard to case).
class CAddNewLayerDlg : public NamingDialogBase
{
    Q_OBJECT

public:
    CAddNewLayerDlg(const QString& title, const QStringList& existingNames, QWidget* parent = nullptr);

    // The accepted name, as typed.
    QString name() const { return m_name; }

protected:
    void onOk() override;

private:
    QStringList m_existing;
    QString m_name;
};
