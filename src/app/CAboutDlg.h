#pragma once

#include <QDialog>

class CHyperLink;
class QLabel;
class QPushButton;

// The classic about dialog of the window menu: the product, its version and five links
// (how-to page, support address, home page, sharing on Twitter, liking on Facebook). Enter
// and Escape do nothing; only OK and the close box close it.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    // Control ids of the links, in the order of linkControls().
    static constexpr int kHowToLinkId = 1115;
    static constexpr int kSupportLinkId = 1117;
    static constexpr int kHomeLinkId = 1118;
    static constexpr int kTwitterLinkId = 1120;
    static constexpr int kFacebookLinkId = 1121;
    static constexpr int kVersionTextId = 1158;

    explicit CAboutDlg(QWidget* parent = nullptr);

    QLabel* versionText() const { return m_versionText; }
    QPushButton* okButton() const { return m_okButton; }
    // The link with that control id, or nullptr.
    CHyperLink* link(int id) const;
    QList<CHyperLink*> linkControls() const;

    // The version text: "<major>.<minor>.<build> ", blank at the end.
    static QString versionText(int major, int minor, int build);

private:
    CHyperLink* addLink(int id, const QString& text, const char* address);

    QLabel* m_versionText = nullptr;
    QPushButton* m_okButton = nullptr;
    QList<QPair<int, CHyperLink*>> m_links;
};
