#pragma once

#include <cstdint>

#include <QString>

class XmlDocument;

// Names, places and value rules of the data files.

// The first line of every XML file the program writes.
inline constexpr char16_t kXmlDeclaration[] = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

// The longest template or layer name, in bytes of UTF-8.
inline constexpr int kMaxTemplateNameBytes = 240;

// True when a template or layer name can be used as a file name in the templates folder:
// not empty, not "." or "..", no "/" and no control character (NUL, line breaks...), at most
// kMaxTemplateNameBytes long, and not "qthumb" (whose file is the template list). Every
// operation that builds a path from a name checks it.
bool isValidTemplateName(const QString& name);

// templates folder + "/" + name + ".xml"; empty when the name is not valid.
QString templateFilePath(const QString& name);
// templates folder + "/qthumb.xml"
QString templateListPath();
// data folder + "/preference.xml", "/config.ini", "/resizing_config.ini"
QString preferencesPath();
QString configIniPath();
QString resizingConfigPath();

// Creates the data folder when missing and "report_me.log" in it empty (an existing one is
// emptied), as every start does. True when the file is there and empty.
bool resetReportLog();

// The section of every INI file of the program ("常规").
QString profileSectionName();

// Why an XML data file whose load failed cannot be used, as a sentence naming the file:
// missing, not readable, empty, not well-formed, or without its root element `root`.
QString describeUnreadableDataFile(const QString& kind, const QString& path, const QString& root);

// Empties the document and gives it the declaration line; elements are added after it.
void startNewXmlDocument(XmlDocument& doc);

// An element text read as a signed integer: leading blanks, optional sign, leading decimal
// digits; 0 without digits; clamped to the 32-bit range.
std::int32_t readXmlInt(const QString& text);
// An element text read as an unsigned decimal number (colours): leading blanks, optional
// sign (a minus negates modulo 2^32), digits; 0 without digits; 0xFFFFFFFF on overflow.
std::uint32_t readXmlUnsigned(const QString& text);
