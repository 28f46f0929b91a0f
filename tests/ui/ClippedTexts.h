#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTextDocumentFragment>
#include <QWidget>

// Controls whose text does not fit the room they were given (a label or button cut off).
inline QStringList clippedTexts(QWidget* window)
{
    QStringList clipped;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->width() <= 0)
            continue;
        const QString name = QStringLiteral("%1 \"%2\" (%3 px wide)");
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap() && label->pixmap().isNull()) {
            const QString text = QTextDocumentFragment::fromHtml(label->text()).toPlainText();
            for (const QString& line : text.split(QLatin1Char('\n')))
                if (label->fontMetrics().horizontalAdvance(line) > label->contentsRect().width())
                    clipped << name.arg(QLatin1String("label"), line).arg(label->width());
        } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty()) {
            if (button->sizeHint().width() > button->width() + 1)
                clipped << name.arg(QLatin1String(button->metaObject()->className()), button->text())
                               .arg(button->width());
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = combo->isEditable();
            const int room =
                combo->style()
                    ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
                    .width();
            for (int i = 0; i < combo->count(); ++i)
                if (combo->fontMetrics().horizontalAdvance(combo->itemText(i)) > room)
                    clipped << name.arg(QLatin1String("list item"), combo->itemText(i)).arg(combo->width());
        } else if (auto* box = qobject_cast<QGroupBox*>(w); box && !box->title().isEmpty()) {
            if (box->fontMetrics().horizontalAdvance(box->title()) > box->width())
                clipped << name.arg(QLatin1String("group box"), box->title()).arg(box->width());
        }
    }
    return clipped;
}
