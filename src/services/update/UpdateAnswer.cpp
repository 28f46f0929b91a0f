#include "services/update/UpdateAnswer.h"

#include "services/messages/WindowMessage.h"
#include "services/update/UpdateCheck.h"
#include "services/update/UpdateSettings.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>

QString UpdateAnswer::newVersionQuestion()
{
    return QCoreApplication::translate("UpdateAnswer", "一个新的 Lumora 版本可以下载，你想现在下载吗?");
}

QString UpdateAnswer::latestVersionNotice()
{
    return QCoreApplication::translate("UpdateAnswer", "您使用的是最新版本。谢谢。");
}

QString UpdateAnswer::serverUnreachableNotice()
{
    return QCoreApplication::translate("UpdateAnswer", "无法连接到更新服务器，请检查网络连接后再试。");
}

QString UpdateAnswer::caption()
{
    return QStringLiteral("Lumora Plenum");
}

bool UpdateAnswer::answer(QWidget* parent, int message, qint64 wParam, qint64 lParam, const ShowBox& showBox)
{
    Q_UNUSED(wParam);
    Q_UNUSED(lParam);
    const auto show = [&](const QString& text, QMessageBox::Icon icon, QMessageBox::StandardButtons buttons) {
        if (showBox)
            return showBox(parent, text, icon, buttons);
        QMessageBox box(icon, caption(), text, buttons, parent);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    };
    switch (message) {
    case NewVersionMessage:
        if (show(newVersionQuestion(), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) ==
            QMessageBox::Yes)
            QDesktopServices::openUrl(downloadPageUrl());
        return true;
    case LatestVersionMessage:
        show(latestVersionNotice(), QMessageBox::Information, QMessageBox::Ok);
        return true;
    case UpdateCheckFailedMessage:
        // Only a check the person asked for (the quiet flag cleared) says that it failed; the
        // check at start stays quiet.
        if (!UpdateCheckQuiet())
            show(serverUnreachableNotice(), QMessageBox::Warning, QMessageBox::Ok);
        return true;
    default:
        return false;
    }
}
