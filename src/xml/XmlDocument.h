#pragma once

#include <QString>

// The one XML facility of the program: the document is a single UTF-16 text plus an index of
// element positions over it. Edits splice the text in place, so what is saved is exactly the
// text held. Navigation keeps a position (parent, current element, current child);
// FindElement searches forward only from the current element.
class XmlDocument
{
public:
    // Byte-order marks seen by LoadFile; they steer SaveFile.
    enum FileEncodingFlag : int
    {
        EncodingUtf16Le = 0x1,
        EncodingUtf8Mark = 0x4,
        EncodingUtf16Be = 0x80,
    };

    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Replaces the text (a null QString gives an empty document), parses it and resets the
    // position to the document level. True when the document is well formed.
    bool SetDocText(const QString& text);
    // Reads a file (byte-order marks, declared encodings, UTF-8 detection), parses it and
    // resets the position. True when the file was read and the document is well formed.
    bool LoadFile(const QString& path);
    // Writes the text atomically (temporary file in the same folder, then a rename).
    bool SaveFile(const QString& path);

    bool FindElement(const QString& name);
    bool EnterElement();
    bool LeaveElement();
    QString GetElementData() const;
    bool AddElement(const QString& name, const QString& value, int flags = 0);
    bool AddElement(const QString& name, int value, int flags = 0);
    bool SetElementData(const QString& value, int flags = 0);
    bool SetElementData(int value, int flags = 0);
    bool RemoveElement();

    QString getDocText() const;
    int getFileEncodingFlags() const;
    bool isWellFormed() const;
    // Diagnostic entries of the last SetDocText, LoadFile or SaveFile.
    QString getLoadResult() const;
    // Self-check for tests and fuzzing: true when the element index agrees with the text and,
    // for a text that parsed without problems, equals the index a fresh parse of the text gives.
    bool verifyIndex() const;

private:
    struct Impl;
    Impl* d;
};
