#include "services/imaging/text/StringFormat.h"

const StringFormat& StringFormat::genericDefault()
{
    static const StringFormat format(Kind::Default);
    return format;
}

const StringFormat& StringFormat::genericTypographic()
{
    static const StringFormat format(Kind::GenericTypographic);
    return format;
}

const StringFormat& StringFormat::orDefault(const StringFormat* format)
{
    return format ? *format : genericDefault();
}

qreal StringFormat::padding(qreal emSize) const
{
    return m_kind == Kind::Default ? emSize / 6.0 : 0.0;
}
