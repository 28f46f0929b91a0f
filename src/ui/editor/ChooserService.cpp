#include "ui/editor/ChooserService.h"

#include "ui/editor/DialogChooserService.h"

namespace {

ChooserService*& Installed()
{
    static ChooserService* service = nullptr;
    return service;
}

} // namespace

ChooserService& ChooserService::current()
{
    static DialogChooserService dialogs;
    return Installed() ? *Installed() : dialogs;
}

void ChooserService::install(ChooserService* service)
{
    Installed() = service;
}
