#include "app/AppMessageBox.h"

namespace {
AppMessageBox::Handler& currentHandler()
{
    static AppMessageBox::Handler handler;
    return handler;
}
} // namespace

QString AppMessageBox::Caption()
{
    return QStringLiteral("Lumora Plenum");
}

void AppMessageBox::SetHandler(Handler handler)
{
    currentHandler() = std::move(handler);
}

QMessageBox::StandardButton AppMessageBox::Show(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                                QMessageBox::StandardButtons buttons)
{
    if (currentHandler())
        return currentHandler()(parent, text, icon, buttons);
    QMessageBox box(icon, Caption(), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
