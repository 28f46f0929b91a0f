#pragma once

#include <QMessageBox>
#include <functional>

class QWidget;

// The program's message boxes, captioned "Lumora Plenum". A handler can take their place
// (tests answer them and read their texts).
class AppMessageBox
{
public:
    using Handler = std::function<QMessageBox::StandardButton(
        QWidget* parent, const QString& text, QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)>;

    static QMessageBox::StandardButton Show(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    // An empty handler brings the real message boxes back.
    static void SetHandler(Handler handler);
    static QString Caption();
};
