#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include "model/DataFiles.h"
#include "model/LayerFiles.h"
#include "model/RenderSettings.h"
#include "model/TemplateStore.h"
#include "support/FindControl.h"
#include "support/TempDataFolder.h"
#include "support/TestFiles.h"
#include "ui/editor/ChooserService.h"
#include "ui/editor/SpinEdit.h"
#include "xml/XmlDocument.h"

// A fresh data folder with the demonstration template "Demo 1" (layer "Demo 1_Layer 1") and a preview cache
// folder of its own.
class EditorDataFolder : public TempDataFolder
{
public:
    EditorDataFolder() { CreateDefaultTemplates(); }

    // The main window's values with "Demo 1" selected, which an editor opens with.
    static RenderSettings settings()
    {
        RenderSettings values;
        values.templateName = QStringLiteral("Demo 1");
        return values;
    }

    QString path() const { return root(); }
};

// Answers the choosers without dialogs: OK with the prepared value, or Cancel.
class ScriptedChooser : public ChooserService
{
public:
    ScriptedChooser() { ChooserService::install(this); }
    ~ScriptedChooser() override { ChooserService::install(nullptr); }

    bool accept = true;
    LOGFONTW font = defaultFontRecord();
    std::uint32_t colour = 0;
    QString file;
    int calls = 0;

    bool chooseFont(QWidget*, LOGFONTW& f) override
    {
        ++calls;
        if (accept)
            f = font;
        return accept;
    }
    bool chooseColour(QWidget*, std::uint32_t& c) override
    {
        ++calls;
        if (accept)
            c = colour;
        return accept;
    }
    QString chooseOpenFile(QWidget*, const QString&) override
    {
        ++calls;
        return accept ? file : QString();
    }
};

namespace EditorTest {

inline QString layerPath(const QString& layer)
{
    return templateFilePath(layer);
}

// The layer as stored on disk.
inline WatermarkConf storedConf(const QString& layer)
{
    WatermarkConf conf;
    LoadEditConf(layer, conf);
    return conf;
}

// The text of one element of a layer file section ("文本" or "图像"); null when missing.
inline QString storedElement(const QString& layer, const QString& section, const QString& element)
{
    XmlDocument doc;
    if (!doc.LoadFile(layerPath(layer)) || !doc.FindElement(QStringLiteral("WatermarkConf")) ||
        !doc.EnterElement() || !doc.FindElement(section) || !doc.EnterElement() || !doc.FindElement(element))
        return QString();
    const QString data = doc.GetElementData();
    return data.isNull() ? QStringLiteral("") : data;
}

// Replaces the text of a field as a user does: select everything, then type.
inline void typeInto(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, text);
}

inline void typeInto(SpinEdit* field, const QString& text)
{
    typeInto(field->edit(), text);
}

// Chooses an entry of a drop-down list with the keyboard, as a user does.
inline void chooseEntry(QComboBox* list, int index)
{
    list->setFocus();
    while (list->currentIndex() < index)
        QTest::keyClick(list, Qt::Key_Down);
    while (list->currentIndex() > index)
        QTest::keyClick(list, Qt::Key_Up);
}

inline void click(QWidget* w, QPoint at = QPoint())
{
    QTest::mouseClick(w, Qt::LeftButton, {}, at.isNull() ? w->rect().center() : at);
}

} // namespace EditorTest
