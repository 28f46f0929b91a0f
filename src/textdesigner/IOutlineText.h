#pragma once

#include "textdesigner/ITextDrawing.h"
#include "textdesigner/TextDesignerTypes.h"

class QImage;

namespace TextDesigner {

// The text outline engine's interface: draws a string as a vector path, with a shadow
// behind it, onto a drawing surface (see ITextDrawing).
//
// Objects are destroyed through the concrete class: the destructor here is protected.
class IOutlineText : public ITextDrawing
{
public:
    virtual void CreateShadowBackground(ARGB colour, int width, int height) = 0;
    virtual void SetShadowBackground(QImage* bitmap) = 0;
    virtual void ClearShadowStrategies() = 0;
    virtual void SetShadowEnabled(bool enabled) = 0;

protected:
    IOutlineText() = default;
    ~IOutlineText() = default;
    IOutlineText(const IOutlineText&) = default;
    IOutlineText& operator=(const IOutlineText&) = default;
};

} // namespace TextDesigner
