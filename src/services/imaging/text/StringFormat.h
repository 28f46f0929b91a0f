#pragma once

#include <QtGlobal>

// How a string is laid out and measured. Two kinds exist:
// - the generic typographic format: glyphs start exactly at the layout origin and the
//   measured width is the advance width of the text;
// - the default format: like typographic text, but with a padding of one sixth of the
//   em size at both ends of every line. The glyphs start one padding to the right of the
//   layout origin and the measured width is the advance width plus two paddings.
// In both kinds trailing white space is not measured unless measureTrailingSpaces is set,
// and a layout box never cuts the measured height.
class StringFormat
{
public:
    enum class Kind
    {
        Default,
        GenericTypographic
    };
    enum class Alignment
    {
        Near,
        Center,
        Far
    };

    StringFormat() = default;
    explicit StringFormat(Kind kind) : m_kind(kind) {}

    static const StringFormat& genericDefault();
    static const StringFormat& genericTypographic();
    // The format to use for a format argument that may be absent.
    static const StringFormat& orDefault(const StringFormat* format);

    Kind kind() const { return m_kind; }

    // Horizontal alignment of each line within a layout box of non-zero width.
    Alignment alignment() const { return m_alignment; }
    void setAlignment(Alignment alignment) { m_alignment = alignment; }

    // Vertical alignment of the block of lines within a layout box of non-zero height.
    Alignment lineAlignment() const { return m_lineAlignment; }
    void setLineAlignment(Alignment alignment) { m_lineAlignment = alignment; }

    bool measureTrailingSpaces() const { return m_measureTrailingSpaces; }
    void setMeasureTrailingSpaces(bool on) { m_measureTrailingSpaces = on; }

    // Space added before and after every line, in pixels, for a font of this em size.
    qreal padding(qreal emSize) const;

private:
    Kind m_kind = Kind::Default;
    Alignment m_alignment = Alignment::Near;
    Alignment m_lineAlignment = Alignment::Near;
    bool m_measureTrailingSpaces = false;
};
