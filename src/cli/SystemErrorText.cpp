#include "cli/SystemErrorText.h"

#include <cerrno>
#include <cstring>

QString systemErrorText(int error)
{
    QString text = QString::fromLocal8Bit(std::strerror(error));
    // "No such file or directory" reads better in the program's words.
    if (error == ENOENT)
        return QStringLiteral("it does not exist");
    if (!text.isEmpty())
        text[0] = text.at(0).toLower();
    return text;
}
