#pragma once

#include <QString>
#include <QStringList>

// The diagnostic record of the last load or save: one entry per event, written as an empty
// element tag whose name is the kind ("read", "converted_to", "lone_end_tag", ...) with the
// details as attributes. It is for people reading a log; no result depends on it.
class XmlLoadResult
{
public:
    void clear();
    // Adds an entry; `details` are name/value pairs. Beyond a fixed number of entries only a
    // count of the dropped ones is kept, so a broken file of millions of tags stays cheap.
    void add(const QString& kind, const QList<std::pair<QString, QString>>& details = {});
    QString toString() const;

private:
    QStringList m_entries;
    qsizetype m_dropped = 0;
};
