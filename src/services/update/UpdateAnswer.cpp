#include "services/update/UpdateAnswer.h"

#include "services/messages/WindowMessage.h"
#include "services/update/UpdateSettings.h"

#include <QDesktopServices>
#include <QMessageBox>

QString UpdateAnswer::NewVersionQuestion()
{
    return QStringLiteral("一个新的 Lumora 版本可以下载，你想现在下载吗?");
}

QString UpdateAnswer::LatestVersionNotice()
{
    return QStringLiteral("您使用的是最新版本。谢谢。");
}

QString UpdateAnswer::Caption()
{
    return QStringLiteral("Lumora Plenum");
}

bool UpdateAnswer::Answer(QWidget* parent, int message, qint64 wParam, qint64 lParam)
{
    Q_UNUSED(wParam);
    Q_UNUSED(lParam);
    switch (message) {
    case NewVersionMessage:
        if (QMessageBox::question(parent, Caption(), NewVersionQuestion(), QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::Yes) == QMessageBox::Yes)
            QDesktopServices::openUrl(DownloadPageUrl());
        return true;
    case LatestVersionMessage:
        QMessageBox::information(parent, Caption(), LatestVersionNotice(), QMessageBox::Ok);
        return true;
    case UpdateCheckFailedMessage:
        return true;
    default:
        return false;
    }
}
