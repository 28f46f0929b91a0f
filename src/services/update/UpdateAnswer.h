#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

// The main window's answers to the update-check messages:
//   NewVersionMessage (5140): a question with Yes and No; Yes opens the download page.
//   LatestVersionMessage (5141): an information box with OK.
//   UpdateCheckFailedMessage (5142): nothing is shown.
// Boxes are modal to the parent and captioned with the product's name.
class UpdateAnswer
{
public:
    static QString NewVersionQuestion();
    static QString LatestVersionNotice();
    static QString Caption();

    // Answers one of the three messages; false for any other message number.
    static bool Answer(QWidget* parent, int message, qint64 wParam, qint64 lParam);
};
