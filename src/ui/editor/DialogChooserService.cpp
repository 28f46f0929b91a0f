#include "ui/editor/DialogChooserService.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QRegularExpression>

#include <cmath>

#include "ui/editor/ColourRef.h"

QFont DialogChooserService::fontFromRecord(const LOGFONTW& record)
{
    QFont f(record.faceName());
    const int height = record.lfHeight == 0 ? 16 : std::abs(record.lfHeight);
    f.setPixelSize(height);
    f.setWeight(record.lfWeight == 0 ? QFont::Normal
                                     : static_cast<QFont::Weight>(qBound(1, record.lfWeight, 1000)));
    f.setItalic(record.lfItalic != 0);
    f.setUnderline(record.lfUnderline != 0);
    f.setStrikeOut(record.lfStrikeOut != 0);
    return f;
}

LOGFONTW DialogChooserService::recordFromFont(const QFont& font, const LOGFONTW& base)
{
    LOGFONTW r = base;
    const int pixels = font.pixelSize() > 0 ? font.pixelSize()
                                            : static_cast<int>(std::lround(font.pointSizeF() * 96.0 / 72.0));
    r.lfHeight = -qMax(1, pixels);
    r.lfWidth = 0;
    r.lfEscapement = 0;
    r.lfOrientation = 0;
    r.lfWeight = font.weight();
    r.lfItalic = font.italic() ? 1 : 0;
    r.lfUnderline = font.underline() ? 1 : 0;
    r.lfStrikeOut = font.strikeOut() ? 1 : 0;
    r.setFaceName(font.family());
    return r;
}

QString DialogChooserService::dialogFilter(const QString& pairs)
{
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString label = parts[i];
        label.remove(trailingPatterns);
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        filters << QStringLiteral("%1 (%2)").arg(label, patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

bool DialogChooserService::chooseFont(QWidget* parent, LOGFONTW& font)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, fontFromRecord(font), parent);
    if (!ok)
        return false;
    font = recordFromFont(chosen, font);
    return true;
}

bool DialogChooserService::chooseColour(QWidget* parent, std::uint32_t& colour)
{
    const QColor chosen = QColorDialog::getColor(ColourRef::toQColor(colour), parent);
    if (!chosen.isValid())
        return false;
    colour = ColourRef::fromQColor(chosen);
    return true;
}

QString DialogChooserService::chooseOpenFile(QWidget* parent, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, QString(), QString(), dialogFilter(filter));
}
