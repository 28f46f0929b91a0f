#pragma once

#include "services/skin/SkinNotify.h"

// Receiver of the notifications of a skinned window's controls.
class SkinNotifier
{
public:
    virtual ~SkinNotifier() = default;
    virtual void notify(const SkinNotify& msg) = 0;
};
