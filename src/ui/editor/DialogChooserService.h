#pragma once

#include <QFont>

#include "ui/editor/ChooserService.h"

// The standard font, colour and open-file dialogs.
class DialogChooserService : public ChooserService
{
public:
    bool chooseFont(QWidget* parent, LOGFONTW& font) override;
    bool chooseColour(QWidget* parent, std::uint32_t& colour) override;
    QString chooseOpenFile(QWidget* parent, const QString& filter) override;

    // The font a record describes at 96 pixels per inch, and the record of a font (fields
    // that a font does not describe are taken from `base`).
    static QFont fontFromRecord(const LOGFONTW& record);
    static LOGFONTW recordFromFont(const QFont& font, const LOGFONTW& base);
    // "label|patterns|label|patterns||" turned into the dialog's "label (patterns);;..." form.
    static QString dialogFilter(const QString& pairs);
};
