#pragma once

#include <QDialog>

class QLineEdit;
class CBmpButton;

// The look shared by the naming dialogs: a dark grey window with a white prompt, one
// single-line edit and the picture button "确定". The close box and Escape return without a
// result; the OK button asks the derived dialog whether the name can be taken.
class NamingDialogBase : public QDialog
{
    Q_OBJECT

public:
    NamingDialogBase(const QString& title, const QString& prompt, QWidget* parent);

    QLineEdit* nameEdit() const { return m_edit; }
    CBmpButton* okButton() const { return m_ok; }
    // The prompt drawn above the edit.
    QString prompt() const { return m_prompt; }
    // The edit's text as typed (blanks included).
    QString typedName() const;

protected:
    // Called by the OK button: closes with accept() when the name is taken, otherwise
    // explains why and keeps the dialog open.
    virtual void onOk() = 0;
    // An information or warning box captioned with the program's name.
    void inform(const QString& text, bool warning);

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_prompt;
    QLineEdit* m_edit;
    CBmpButton* m_ok;
};
