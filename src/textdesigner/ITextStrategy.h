#pragma once

#include "textdesigner/ITextDrawing.h"

namespace TextDesigner {

// One way of painting a string: the string is turned into a vector path, which is stroked
// and filled on a drawing surface; the string can be measured the same way (see ITextDrawing).
class ITextStrategy : public ITextDrawing
{
public:
    virtual ~ITextStrategy() = default;
};

} // namespace TextDesigner
