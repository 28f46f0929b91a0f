#pragma once

#include <QList>
#include <QPair>
#include <QString>

class QWidget;
class SkinControl;

// Reads an attribute text of the form  name="value" name2="value 2"  into its pairs, in
// order. Parsing stops at the first malformed pair; the pairs before it are kept.
QList<QPair<QString, QString>> parseAttributes(const QString& text);

// An attribute value "l,t,r,b" as four integers; missing parts are 0.
QList<int> parseFourInts(const QString& value);

// Applies every attribute of the text to the control, in order. Attributes the control does
// not know are ignored.
void ApplyAttributeList(SkinControl* control, const QString& text);

// Finds a control inside a row by its name: a container or layout is searched child by
// child, each child first by its own name and then inside it; any other control matches
// when its own name equals.
QWidget* FindNamedChild(QWidget* control, const QString& name);
