#pragma once

#include <QStringView>

class XmlIndex;
class XmlLoadResult;

// The lenient parser: it never rejects a text, it builds the element index as far as the text
// allows and records every problem. It runs in one pass with an explicit stack, so neither
// deep nesting nor huge texts can exhaust the call stack or take more than linear time.
class XmlParser
{
public:
    // Fills `index` from `text`; returns the number of problems recorded against tags
    // (root-level checks excluded).
    static qsizetype parse(QStringView text, XmlIndex& index, XmlLoadResult& record);
};
