#pragma once

#include <QMessageBox>
#include <QString>
#include <QtGlobal>

#include <functional>

class QWidget;

// The main window's answers to the update-check messages:
//   NewVersionMessage (5140): a question with Yes and No; Yes opens the download page.
//   LatestVersionMessage (5141): an information box with OK.
//   UpdateCheckFailedMessage (5142): after a check the person asked for (UpdateCheckQuiet()
//     false), a warning that the server could not be reached; after the quiet check at
//     start nothing is shown.
// Boxes are modal to the parent and captioned with the product's name.
class UpdateAnswer
{
public:
    // Shows a message box and returns the button pressed; a window can pass its own so that
    // the answers look like its other boxes (and can be answered in tests).
    using ShowBox = std::function<QMessageBox::StandardButton(
        QWidget* parent, const QString& text, QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)>;

    static QString newVersionQuestion();
    static QString latestVersionNotice();
    // Shown when a check the person asked for could not download the version file.
    static QString serverUnreachableNotice();
    static QString caption();

    // Answers one of the three messages; false for any other message number. Without
    // `showBox` the boxes are plain message boxes captioned caption().
    static bool answer(QWidget* parent, int message, qint64 wParam, qint64 lParam,
                       const ShowBox& showBox = ShowBox());
};
