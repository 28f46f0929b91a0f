#include "app/AppMessageBox.h"

namespace {
AppMessageBox::Handler& currentHandler()
{
    static AppMessageBox::Handler handler;
    return handler;
}
} // namespace

QString AppMessageBox::caption()
{
    return QStringLiteral("Lumora Plenum");
}

void AppMessageBox::setHandler(Handler handler)
{
    currentHandler() = std::move(handler);
}

QMessageBox::StandardButton AppMessageBox::Show(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                                QMessageBox::StandardButtons buttons)
{
    if (currentHandler())
        return currentHandler()(parent, text, icon, buttons);
    QMessageBox box(icon, caption(), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
