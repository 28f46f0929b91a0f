#pragma once

#include <QString>

#include <cstdint>

#include "services/imaging/text/LogFontW.h"

class QWidget;

// The choosers the layer editors open: font, colour and picture file. The program uses the
// standard dialogs; another service can be installed in their place (tests answer OK or
// Cancel without a dialog).
class ChooserService
{
public:
    virtual ~ChooserService() = default;

    // Starts from `font`; on OK replaces it with the chosen font and returns true.
    virtual bool chooseFont(QWidget* parent, LOGFONTW& font) = 0;
    // Starts from `colour` (red + 256 * green + 65536 * blue); on OK replaces it.
    virtual bool chooseColour(QWidget* parent, std::uint32_t& colour) = 0;
    // An existing file chosen with the filter (label|patterns pairs); empty on cancel.
    virtual QString chooseOpenFile(QWidget* parent, const QString& filter) = 0;

    // The service in use (the standard dialogs unless another one is installed).
    static ChooserService& current();
    // Installs a service (nullptr restores the standard dialogs). Not owned.
    static void install(ChooserService* service);
};
