#include "app/MainWindowHooks.h"

MainWindowHooks& MainWindowHooks::Get()
{
    static MainWindowHooks hooks;
    return hooks;
}
