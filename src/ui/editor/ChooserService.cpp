#include "ui/editor/ChooserService.h"

#include "ui/editor/DialogChooserService.h"

namespace {

ChooserService*& installed()
{
    static ChooserService* service = nullptr;
    return service;
}

} // namespace

ChooserService& ChooserService::current()
{
    static DialogChooserService dialogs;
    return installed() ? *installed() : dialogs;
}

void ChooserService::install(ChooserService* service)
{
    installed() = service;
}
