#include "model/LayerFiles.h"

#include <array>

#include "model/DataFiles.h"
#include "services/folders/DecimalList.h"
#include "xml/XmlDocument.h"

namespace {

enum class FieldKind
{
    Text,
    Font,
    Int,
    Colour
};

// One element of a layer file section, bound to its field of the record.
struct LayerField
{
    const char16_t* name;
    FieldKind kind;
    QString WatermarkConf::*text = nullptr;
    std::int32_t WatermarkConf::*integer = nullptr;
    std::uint32_t WatermarkConf::*colour = nullptr;
};

constexpr LayerField textField(const char16_t* name, QString WatermarkConf::*member)
{
    return {name, FieldKind::Text, member, nullptr, nullptr};
}
constexpr LayerField intField(const char16_t* name, std::int32_t WatermarkConf::*member)
{
    return {name, FieldKind::Int, nullptr, member, nullptr};
}
constexpr LayerField colourField(const char16_t* name, std::uint32_t WatermarkConf::*member)
{
    return {name, FieldKind::Colour, nullptr, nullptr, member};
}

using C = WatermarkConf;

// The text section's elements in file order.
const std::array<LayerField, 30> kTextFields = {{
    textField(u"textContent", &C::textContent),
    {u"Font", FieldKind::Font},
    intField(u"FontPointSize", &C::FontPointSize),
    intField(u"Location", &C::Location),
    intField(u"OffsetH", &C::OffsetH),
    intField(u"OffsetV", &C::OffsetV),
    intField(u"Rotation", &C::Rotation),
    intField(u"Transparency", &C::Transparency),
    intField(u"BAddShadow", &C::BAddShadow),
    intField(u"ShadowH", &C::ShadowH),
    intField(u"ShadowV", &C::ShadowV),
    intField(u"ShadowBR", &C::ShadowBR),
    intField(u"ShadowAlpha", &C::ShadowAlpha),
    colourField(u"ShadowColor", &C::ShadowColor),
    intField(u"BFillText", &C::BFillText),
    colourField(u"TextColor", &C::TextColor),
    intField(u"BDrawEdge", &C::BDrawEdge),
    colourField(u"EdgeColor", &C::EdgeColor),
    intField(u"EdgeLineThickness", &C::EdgeLineThickness),
    intField(u"EdgeAlpha", &C::EdgeAlpha),
    intField(u"B3DText", &C::B3DText),
    colourField(u"TDTextColor", &C::TDTextColor),
    intField(u"TDTextOffset", &C::TDTextOffset),
    intField(u"TDTextPos", &C::TDTextPos),
    intField(u"BGradientText", &C::BGradientText),
    colourField(u"GradientBeginColor", &C::GradientBeginColor),
    colourField(u"GradientEndColor", &C::GradientEndColor),
    intField(u"BCoverImage", &C::BCoverImage),
    intField(u"coverImgMethod", &C::coverImgMethod),
    intField(u"ScaleTextWT", &C::ScaleTextWT),
}};

// The picture section's elements in file order.
const std::array<LayerField, 9> kImageFields = {{
    textField(u"ImagePathName", &C::ImagePathName),
    intField(u"ImageLocation", &C::ImageLocation),
    intField(u"ImageOffsetH", &C::ImageOffsetH),
    intField(u"ImageOffsetV", &C::ImageOffsetV),
    intField(u"ImageRotation", &C::ImageRotation),
    intField(u"ImageTransparency", &C::ImageTransparency),
    intField(u"ImageWidth", &C::ImageWidth),
    intField(u"ImageHeight", &C::ImageHeight),
    intField(u"ScaleImgWT", &C::ScaleImgWT),
}};

// The fields switch stands after the text section's elements and is written only when on, so
// that layer files of layers without fields stay as they always were.
const QString kTextTokensElement = QStringLiteral("BTextTokens");

const QString kRootElement = QStringLiteral("WatermarkConf");
const QString kTextSection = QStringLiteral("文本");
const QString kImageSection = QStringLiteral("图像");

QString name(const LayerField& field)
{
    return QString::fromUtf16(field.name);
}

bool isNamed(const LayerField& field, const char16_t* fieldName)
{
    return name(field) == QString::fromUtf16(fieldName);
}

QString fontText(const LOGFONTW& font)
{
    const LOGFONTW::Bytes bytes = font.toBytes();
    return BytesToDecimalList(bytes.data(), bytes.size());
}

// Adds the field's element with its value after the current element.
void addField(XmlDocument& doc, const LayerField& field, const WatermarkConf& conf, const LOGFONTW& font)
{
    switch (field.kind) {
    case FieldKind::Text:
        doc.AddElement(name(field), conf.*field.text);
        break;
    case FieldKind::Font:
        doc.AddElement(name(field), fontText(font));
        break;
    case FieldKind::Int:
        doc.AddElement(name(field), static_cast<int>(conf.*field.integer));
        break;
    case FieldKind::Colour:
        doc.AddElement(name(field), static_cast<int>(conf.*field.colour));
        break;
    }
}

// Replaces the current element's text by the field's value.
void setField(XmlDocument& doc, const LayerField& field, const WatermarkConf& conf)
{
    switch (field.kind) {
    case FieldKind::Text:
        doc.SetElementData(conf.*field.text);
        break;
    case FieldKind::Font:
        doc.SetElementData(fontText(conf.Font));
        break;
    case FieldKind::Int:
        doc.SetElementData(static_cast<int>(conf.*field.integer));
        break;
    case FieldKind::Colour:
        doc.SetElementData(static_cast<int>(conf.*field.colour));
        break;
    }
}

// Takes the current element's text into the field.
void readField(const XmlDocument& doc, const LayerField& field, WatermarkConf& conf)
{
    const QString data = doc.GetElementData();
    switch (field.kind) {
    case FieldKind::Text:
        conf.*field.text = data;
        break;
    case FieldKind::Font: {
        std::uint8_t bytes[LOGFONTW::kByteSize];
        const std::size_t count = DecimalListToBytes(data, bytes, sizeof bytes);
        conf.Font.setBytes(bytes, count);
        break;
    }
    case FieldKind::Int:
        conf.*field.integer = readXmlInt(data);
        break;
    case FieldKind::Colour:
        conf.*field.colour = readXmlUnsigned(data);
        break;
    }
}

// Reads the fields of the section entered, in order and forward only. Returns whether the
// last field of the list was found.
template <std::size_t N>
bool readSection(XmlDocument& doc, const std::array<LayerField, N>& fields, WatermarkConf& conf)
{
    bool lastFound = false;
    for (const LayerField& field : fields) {
        lastFound = doc.FindElement(name(field));
        if (lastFound)
            readField(doc, field, conf);
    }
    return lastFound;
}

bool readLayerFile(const QString& layerName, WatermarkConf& into, bool blankEmptyText)
{
    const QString path = templateFilePath(layerName);
    if (path.isEmpty())
        return false;
    XmlDocument doc;
    if (!doc.LoadFile(path) || !doc.FindElement(kRootElement) || !doc.EnterElement())
        return false;
    // Read into a copy, so the record changes in one step.
    WatermarkConf conf = into;
    if (doc.FindElement(kTextSection) && doc.EnterElement()) {
        if (!readSection(doc, kTextFields, conf))
            conf.ScaleTextWT = 1;
        conf.BTextTokens = doc.FindElement(kTextTokensElement) ? readXmlInt(doc.GetElementData()) : 0;
        if (blankEmptyText && conf.textContent.isEmpty())
            conf.textContent = QStringLiteral(" ");
        doc.LeaveElement();
    }
    if (doc.FindElement(kImageSection) && doc.EnterElement()) {
        if (!readSection(doc, kImageFields, conf))
            conf.ScaleImgWT = 0;
        doc.LeaveElement();
    }
    into = conf;
    return true;
}

// Replaces the section's elements in order; the fields in `addWhenMissing` are added after
// the last element handled when they are not found.
template <std::size_t N>
void storeSection(XmlDocument& doc, const std::array<LayerField, N>& fields, const WatermarkConf& conf,
                  std::initializer_list<const char16_t*> addWhenMissing)
{
    for (const LayerField& field : fields) {
        if (doc.FindElement(name(field))) {
            setField(doc, field, conf);
            continue;
        }
        for (const char16_t* added : addWhenMissing) {
            if (isNamed(field, added)) {
                addField(doc, field, conf, conf.Font);
                break;
            }
        }
    }
}

// The fields switch after the last text element handled: set or added when on, removed when
// off, so that switching it off gives back the file as it was before.
void storeTextTokens(XmlDocument& doc, const WatermarkConf& conf)
{
    const bool on = conf.BTextTokens != 0;
    if (doc.FindElement(kTextTokensElement)) {
        if (on)
            doc.SetElementData(1);
        else
            doc.RemoveElement();
    } else if (on) {
        doc.AddElement(kTextTokensElement, 1);
    }
}

} // namespace

bool SaveLayerConf(const QString& layerName, const WatermarkConf& conf, const LOGFONTW& font)
{
    const QString path = templateFilePath(layerName);
    if (path.isEmpty())
        return false;
    XmlDocument doc;
    startNewXmlDocument(doc);
    doc.AddElement(kRootElement, QString());
    doc.EnterElement();
    doc.AddElement(kTextSection, QString());
    doc.EnterElement();
    for (const LayerField& field : kTextFields)
        addField(doc, field, conf, font);
    if (conf.BTextTokens != 0)
        doc.AddElement(kTextTokensElement, 1);
    doc.LeaveElement();
    doc.AddElement(kImageSection, QString());
    doc.EnterElement();
    for (const LayerField& field : kImageFields)
        addField(doc, field, conf, font);
    doc.LeaveElement();
    doc.LeaveElement();
    return doc.SaveFile(path);
}

bool LoadLayerConf(const QString& layerName, WatermarkConf& into)
{
    return readLayerFile(layerName, into, true);
}

bool LoadEditConf(const QString& layerName, WatermarkConf& into)
{
    return readLayerFile(layerName, into, false);
}

bool StoreEditConf(const QString& layerName, const WatermarkConf& conf)
{
    const QString path = templateFilePath(layerName);
    if (path.isEmpty())
        return false;
    XmlDocument doc;
    if (!doc.LoadFile(path))
        return false;
    if (doc.FindElement(kRootElement) && doc.EnterElement()) {
        if (doc.FindElement(kTextSection) && doc.EnterElement()) {
            storeSection(doc, kTextFields, conf, {u"ScaleTextWT"});
            storeTextTokens(doc, conf);
            doc.LeaveElement();
        }
        if (doc.FindElement(kImageSection) && doc.EnterElement()) {
            storeSection(doc, kImageFields, conf, {u"ImageWidth", u"ImageHeight", u"ScaleImgWT"});
            doc.LeaveElement();
        }
        doc.LeaveElement();
    }
    return doc.SaveFile(path);
}
