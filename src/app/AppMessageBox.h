#pragma once

#include "services/update/UpdateAnswer.h"

// The program's message boxes, captioned "Lumora Plenum". A handler can take their place
// (tests answer them and read their texts). Show() is also how the update answers show theirs.
class AppMessageBox
{
public:
    using Handler = UpdateAnswer::ShowBox;

    static QMessageBox::StandardButton Show(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    // An empty handler brings the real message boxes back.
    static void setHandler(Handler handler);
    static QString caption();
};
