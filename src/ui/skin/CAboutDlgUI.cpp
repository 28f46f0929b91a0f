#include "ui/skin/CAboutDlgUI.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QLabel>
#include <QTimer>
#include <QUrl>

#include "services/crash/ProgramVersion.h"
#include "services/skin/SkinManager.h"
#include "ui/skin/AboutAddresses.h"

namespace {

CAboutDlgUI::VersionReader& versionReader()
{
    static CAboutDlgUI::VersionReader reader;
    return reader;
}

void setLabelText(QWidget* control, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
}

bool isNamed(const QWidget* control, const char* name)
{
    return control && control->objectName().compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

} // namespace

CAboutDlgUI::CAboutDlgUI(QWidget* owner) : CBaseDlgUI(owner) {}

CAboutDlgUI::~CAboutDlgUI()
{
    GetPaintManager()->removeNotifier(this);
}

QString CAboutDlgUI::versionLabelText(int major, int minor, int build)
{
    return QStringLiteral("Lumora Plenum v%1.%2.%3 ").arg(major).arg(minor).arg(build);
}

void CAboutDlgUI::setVersionReader(VersionReader reader)
{
    versionReader() = std::move(reader);
}

bool CAboutDlgUI::InitSkin()
{
    if (!loadLayout(QStringLiteral("about.xml")))
        return false;
    GetPaintManager()->AddNotifier(this);
    InitControls();

    setLabelText(FindControl(QStringLiteral("title_label")), tr("关于 Lumora Plenum"));
    setWindowTitle(tr("关于 Lumora Plenum"));

    int major = 0;
    int minor = 0;
    int build = 0;
    const VersionReader& reader = versionReader();
    const int status = reader ? reader(&major, &minor, &build) : GetProgramVersion(&major, &minor, &build);
    if (status != 0)
        major = minor = build = 0;
    setLabelText(FindControl(QStringLiteral("version_label")), versionLabelText(major, minor, build));
    return true;
}

void CAboutDlgUI::notify(const SkinNotify& msg)
{
    if (msg.type != QLatin1String("click") || !msg.sender)
        return;
    const QWidget* sender = msg.sender;
    if (isNamed(sender, "close_btn") || isNamed(sender, "ok_btn"))
        QTimer::singleShot(0, this, [this]() { close(); });
    else if (isNamed(sender, "website_btn"))
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(AboutAddresses::kHomePage)));
    else if (isNamed(sender, "mailto_btn"))
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(AboutAddresses::kSupportMail)));
    else if (isNamed(sender, "youtube_btn"))
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(AboutAddresses::kVideoPage)));
}
