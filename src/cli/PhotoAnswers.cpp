#include "cli/PhotoAnswers.h"

#include "cli/AnswerStream.h"

PhotoAnswers::PhotoAnswers(QTextStream& out, QTextStream& err, bool json)
    : m_out(out), m_err(err), m_json(json)
{
}

void PhotoAnswers::written(const QString& source, const QString& output, qint64 milliseconds)
{
    if (m_json)
        writeJson(source, &output, "written", nullptr, milliseconds);
    else
        m_out << AnswerStream::escaped(output) << Qt::endl;
}

void PhotoAnswers::skipped(const QString& source, const QString& output, qint64 milliseconds)
{
    if (m_json)
        writeJson(source, &output, "skipped", nullptr, milliseconds);
    else
        m_out << AnswerStream::escaped(source) << ": skipped, " << AnswerStream::escaped(output) << " exists"
              << Qt::endl;
}

void PhotoAnswers::planned(const QString& source, const QString& output, qint64 milliseconds)
{
    if (m_json)
        writeJson(source, &output, "planned", nullptr, milliseconds);
    else
        m_out << AnswerStream::shownName(source) << " -> " << output << Qt::endl;
}

void PhotoAnswers::failed(const QString& source, const QString& reason, qint64 milliseconds)
{
    if (!m_json) {
        AnswerStream::writeFailure(m_err, source, reason);
        return;
    }
    // The line form shows such a name's bytes; JSON text must be Unicode.
    const QString why = AnswerStream::isUnreadableName(source)
                            ? QStringLiteral("the file name cannot be read as UTF-8")
                            : reason;
    writeJson(source, nullptr, "failed", &why, milliseconds);
}

// The characters JSON writes with a short escape; other control characters are written as
// \uXXXX.
constexpr AnswerStream::CharacterEscape kJsonEscapes[] = {
    {u'"', "\\\""}, {u'\\', "\\\\"}, {u'\n', "\\n"}, {u'\r', "\\r"}, {u'\t', "\\t"}};

QString PhotoAnswers::jsonString(const QString& text)
{
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted.append(QLatin1Char('"'));
    for (const QChar c : text) {
        if (const char* escape = AnswerStream::escapeOf(c, kJsonEscapes))
            quoted.append(QLatin1String(escape));
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            quoted.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')));
        else
            quoted.append(c);
    }
    quoted.append(QLatin1Char('"'));
    return quoted;
}

void PhotoAnswers::writeJson(const QString& source, const QString* output, const char* status,
                             const QString* reason, qint64 milliseconds)
{
    const QString null = QStringLiteral("null");
    m_out << "{\"source\":" << jsonString(AnswerStream::shownName(source))
          << ",\"output\":" << (output ? jsonString(*output) : null) << ",\"status\":\"" << status
          << "\",\"reason\":" << (reason ? jsonString(*reason) : null) << ",\"milliseconds\":" << milliseconds
          << '}' << Qt::endl;
}
