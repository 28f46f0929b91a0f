#pragma once

#include <QString>
#include <QTextStream>

// The answer of a stamping run for each photo, in one of two forms.
//
// Lines (the default), their control characters escaped (see AnswerStream::escaped()):  written  OUTPUT on
// standard output
//                       planned  PHOTO -> OUTPUT                 on standard output (dry run)
//                       skipped  PHOTO: skipped, OUTPUT exists   on standard output
//                       failed   PHOTO: reason                   on standard error
// JSON (--json): one object a line on standard output for every photo,
//   {"source":PHOTO,"output":OUTPUT,"status":"written","reason":null,"milliseconds":N}
// with status "written", "skipped", "planned" (dry run) or "failed"; "output" is null for a failed photo and
// "reason" null unless it failed. Nothing per photo goes to standard error then.
class PhotoAnswers
{
public:
    PhotoAnswers(QTextStream& out, QTextStream& err, bool json);

    void written(const QString& source, const QString& output, qint64 milliseconds);
    void skipped(const QString& source, const QString& output, qint64 milliseconds);
    void planned(const QString& source, const QString& output, qint64 milliseconds);
    void failed(const QString& source, const QString& reason, qint64 milliseconds);

    // A JSON string literal, quotes included.
    static QString jsonString(const QString& text);

private:
    void writeJson(const QString& source, const QString* output, const char* status, const QString* reason,
                   qint64 milliseconds);

    QTextStream& m_out;
    QTextStream& m_err;
    bool m_json;
};
