#include "cli/AnswerStream.h"

#include <QIODevice>
#include <QtGlobal>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define LUMORA_HAS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMORA_HAS_SANITIZER 1
#endif
#endif

#ifdef LUMORA_HAS_SANITIZER
#include <sanitizer/common_interface_defs.h>
#endif

namespace AnswerStream {

namespace {

std::FILE* g_answers = nullptr;
bool g_closed[3] = {false, false, false};

// Takes the standard descriptors the program was started without. Output descriptors get
// /dev/null opened for reading, so that writing to them fails (EBADF), as it would on the
// closed descriptor; standard input gets it opened for writing, so that reading fails.
void reserveStandardDescriptors()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        g_closed[fd] = true;
        const int taken = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (taken >= 0 && taken != fd) {
            ::dup2(taken, fd);
            ::close(taken);
        }
    }
}

constexpr char16_t kUnreadableMark = u'\0';
constexpr char16_t kByteBase = 0xDC00; // each byte as a lone low surrogate: never read from UTF-8

QByteArray bytesOf(const QString& unreadable)
{
    QByteArray bytes;
    bytes.reserve(unreadable.size() - 1);
    for (qsizetype i = 1; i < unreadable.size(); ++i)
        bytes.append(char(unreadable.at(i).unicode() - kByteBase));
    return bytes;
}

} // namespace

bool wasClosed(int fd)
{
    return fd >= STDIN_FILENO && fd <= STDERR_FILENO && g_closed[fd];
}

QString unreadableName(const QByteArray& bytes)
{
    QString name(1, QChar(kUnreadableMark));
    name.reserve(bytes.size() + 1);
    for (const char byte : bytes)
        name.append(QChar(char16_t(kByteBase + quint8(byte))));
    return name;
}

bool isUnreadableName(const QString& name)
{
    if (name.isEmpty() || name.at(0).unicode() != kUnreadableMark)
        return false;
    for (qsizetype i = 1; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (c < kByteBase || c > kByteBase + 0xFF)
            return false;
    }
    return true;
}

QString shownName(const QString& name)
{
    return isUnreadableName(name) ? QString::fromUtf8(bytesOf(name)) : name;
}

const char* escapeOf(QChar c, std::span<const CharacterEscape> table)
{
    for (const CharacterEscape& entry : table)
        if (entry.character == c.unicode())
            return entry.escape;
    return nullptr;
}

// The control characters with a short C escape; the others are written as octal bytes.
constexpr CharacterEscape kCEscapes[] = {{u'\a', "\\a"}, {u'\b', "\\b"}, {u'\t', "\\t"}, {u'\n', "\\n"},
                                         {u'\v', "\\v"}, {u'\f', "\\f"}, {u'\r', "\\r"}};

QString escaped(const QString& text)
{
    const auto isControl = [](QChar c) { return c.category() == QChar::Other_Control; };
    if (std::none_of(text.cbegin(), text.cend(), isControl))
        return text;
    QString shown;
    shown.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (!isControl(c)) {
            shown.append(c);
            continue;
        }
        if (const char* escape = escapeOf(c, kCEscapes))
            shown.append(QLatin1String(escape));
        else
            for (const char byte : QString(c).toUtf8())
                shown.append(QStringLiteral("\\%1").arg(quint8(byte), 3, 8, QLatin1Char('0')));
    }
    return shown;
}

void writeFailure(QTextStream& err, const QString& name, const QString& reason)
{
    if (!isUnreadableName(name)) {
        err << escaped(name) << ": " << escaped(reason) << Qt::endl;
        return;
    }
    const QByteArray line = bytesOf(name) + ": the file name cannot be read as UTF-8\n";
    err.flush();
    if (QIODevice* device = err.device())
        device->write(line);
    else
        err << QString::fromUtf8(line) << Qt::flush; // a stream into a string: replacement characters
}

void separate()
{
    if (g_answers)
        return;
    reserveStandardDescriptors();
    // Above the standard descriptors, whichever of them were closed.
    const int copy = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (copy < 0)
        return;
    std::FILE* answers = ::fdopen(copy, "w");
    if (!answers) {
        ::close(copy);
        return;
    }
    // Unbuffered like stderr: every answer is written as soon as it is complete.
    std::setvbuf(answers, nullptr, _IONBF, 0);
    g_answers = answers;
#ifdef LUMORA_HAS_SANITIZER
    // The sanitizers' reports must still be seen.
    __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<qintptr>(copy)));
#endif
    if (qEnvironmentVariableIsSet("LUMORA_VERBOSE"))
        return;
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDERR_FILENO);
        ::close(null);
    }
}

std::FILE* get()
{
    return g_answers ? g_answers : stderr;
}

} // namespace AnswerStream
