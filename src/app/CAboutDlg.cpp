#include "app/CAboutDlg.h"

#include "ui/controls/DialogFrame.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "services/crash/ProgramVersion.h"
#include "services/skin/SkinResources.h"
#include "ui/controls/CHyperLink.h"
#include "ui/skin/AboutAddresses.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    DialogFrame::setUp(this, QStringLiteral("CAboutDlg"), QStringLiteral("Lumora"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(9);
    setFont(font);

    auto* icon = new QLabel(this);
    icon->setPixmap(SkinResources::loadPicture(SkinResources::instancePath() +
                                               QStringLiteral("skin/default/app_icon_64.png")));
    icon->setFixedSize(64, 64);
    icon->setScaledContents(true);

    auto* product = new QLabel(QStringLiteral("Lumora Plenum"), this);
    QFont bold = product->font();
    bold.setBold(true);
    bold.setPointSize(12);
    product->setFont(bold);

    m_versionText = new QLabel(this);
    m_versionText->setObjectName(QStringLiteral("version_text"));
    int major = 0;
    int minor = 0;
    int build = 0;
    if (GetProgramVersion(&major, &minor, &build) != 0)
        major = minor = build = 0;
    m_versionText->setText(versionText(major, minor, build));

    auto* versionRow = new QHBoxLayout();
    versionRow->setSpacing(4);
    versionRow->addWidget(new QLabel(tr("版本"), this));
    versionRow->addWidget(m_versionText);
    versionRow->addStretch(1);

    auto* description = new QLabel(tr("为照片批量添加文字和图片水印。"), this);
    auto* heading = new QVBoxLayout();
    heading->addWidget(product);
    heading->addLayout(versionRow);
    heading->addWidget(description);
    auto* top = new QHBoxLayout();
    top->setSpacing(16);
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(heading, 1);

    auto* links = new QGridLayout();
    links->setHorizontalSpacing(12);
    links->addWidget(new QLabel(tr("使用方法:"), this), 0, 0);
    links->addWidget(addLink(kHowToLinkId, tr("如何为照片加水印"), AboutAddresses::kHowToPage), 0, 1);
    links->addWidget(new QLabel(tr("技术支持:"), this), 1, 0);
    links->addWidget(
        addLink(kSupportLinkId, QStringLiteral("support@lumora-plenum.org"), AboutAddresses::kSupportMail), 1,
        1);
    links->addWidget(new QLabel(tr("主页:"), this), 2, 0);
    links->addWidget(addLink(kHomeLinkId, QStringLiteral("lumora-plenum.org"), AboutAddresses::kHomePage), 2,
                     1);
    auto* share = new QHBoxLayout();
    share->setSpacing(16);
    share->addWidget(addLink(kTwitterLinkId, tr("在 Twitter 上分享"), AboutAddresses::kTwitterShare));
    share->addWidget(addLink(kFacebookLinkId, tr("在 Facebook 上点赞"), AboutAddresses::kFacebookLike));
    share->addStretch(1);
    links->addWidget(new QLabel(tr("推荐给朋友:"), this), 3, 0);
    links->addLayout(share, 3, 1);
    links->setColumnStretch(1, 1);

    auto* copyright = new QLabel(QStringLiteral("© Lumora Plenum developers"), this);
    m_okButton = new QPushButton(tr("确定"), this);
    m_okButton->setAutoDefault(false);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout();
    bottom->addWidget(copyright);
    bottom->addStretch(1);
    bottom->addWidget(m_okButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(14);
    layout->addLayout(top);
    layout->addLayout(links);
    layout->addLayout(bottom);
    setFixedSize(sizeHint().expandedTo(QSize(400, 0)));
}

QString CAboutDlg::versionText(int major, int minor, int build)
{
    return QStringLiteral("%1.%2.%3 ").arg(major).arg(minor).arg(build);
}

CHyperLink* CAboutDlg::addLink(int id, const QString& text, const char* address)
{
    auto* link = new CHyperLink(text, this, QString::fromLatin1(address));
    link->setObjectName(QStringLiteral("link_%1").arg(id));
    m_links.append({id, link});
    return link;
}

CHyperLink* CAboutDlg::link(int id) const
{
    for (const auto& entry : m_links) {
        if (entry.first == id)
            return entry.second;
    }
    return nullptr;
}

QList<CHyperLink*> CAboutDlg::linkControls() const
{
    QList<CHyperLink*> controls;
    for (const auto& entry : m_links)
        controls.append(entry.second);
    return controls;
}
