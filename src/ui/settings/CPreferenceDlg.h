#pragma once

#include <QDialog>
#include <QPointer>

#include "ui/settings/CGeneralConfDlg.h"

class QTabBar;
class QFrame;

// The preference window "首选项": a tab control with the one page "常规" (CGeneralConfDlg).
// It has no OK or Cancel; however it closes, the page stores its values first. Enter and
// Escape do nothing.
class CPreferenceDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CPreferenceDlg(QWidget* parent = nullptr);
    ~CPreferenceDlg() override;

    // The general page; nullptr once the window has closed (the page is destroyed then).
    CGeneralConfDlg* generalPage() const { return m_page; }
    QWidget* tabControl() const { return m_tabControl; }
    QTabBar* tabBar() const { return m_tabBar; }

    void done(int result) override;

private:
    void layoutPage();
    void onTabChanged(int index);
    void destroyPage();

    QWidget* m_tabControl = nullptr;
    QTabBar* m_tabBar = nullptr;
    QFrame* m_tabPanel = nullptr;
    QPointer<CGeneralConfDlg> m_page;
    int m_focusTab = 0;
};
