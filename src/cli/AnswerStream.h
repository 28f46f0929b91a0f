#pragma once

#include <QByteArray>
#include <QString>
#include <QTextStream>

#include <cstdio>
#include <span>

// Where lumora-batch writes its answers on standard error (one line per failed photo), the
// progress bar and the messages asked for with LUMORA_VERBOSE.
//
// Some libraries write their own messages straight to standard error: libpng reports a
// damaged file in two writes, the text and then the line end, so that a decode on another
// thread could splice its message into the middle of an answer line. separate() moves the
// answers to a copy of standard error and points the process's own standard error at
// /dev/null (unless LUMORA_VERBOSE is set), so that the answers stay whole lines.
namespace AnswerStream {

// Call once at start-up, before any other thread runs. Standard input, output or error that
// the program was started without (closed descriptors) get /dev/null opened the wrong way
// round in their place: a write there fails instead of landing in a file that a later
// open() took the descriptor for (standard output lines never go to standard error).
void separate();

// The stream for answers: the copy after separate(), else stderr.
std::FILE* get();

// True when the program was started with descriptor `fd` (0, 1 or 2) closed.
bool wasClosed(int fd);

// A command-line argument whose bytes are not UTF-8 cannot be turned into a file name the
// program can open again. unreadableName() keeps its bytes in a string that names no file
// (it starts with a NUL character, which no path holds), so that a photo with such a name
// fails in its place in the batch, and writeFailure() can show the name as it was given.
QString unreadableName(const QByteArray& bytes);
bool isUnreadableName(const QString& name);

// A character and the short escape a text format writes it as ("\\n" for a line end).
struct CharacterEscape
{
    char16_t character;
    const char* escape;
};
// The escape `table` gives `c`, or null when it gives none.
const char* escapeOf(QChar c, std::span<const CharacterEscape> table);

// The name as it can be shown in text that must be Unicode (JSON): an unreadable name's
// bytes read as UTF-8 with replacement characters; any other name as it is.
QString shownName(const QString& name);

// The text with its control characters (C0, DEL, C1) escaped as `ls -b` shows them: \n, \t,
// \r, \a, \b, \f, \v, and the others as backslash and three octal digits per UTF-8 byte
// (escape is \033), so that a name holding a line break or a terminal's escape sequence stays
// on its answer line and is shown, not obeyed. Other text is returned as it is.
QString escaped(const QString& text);

// Writes the failure line "NAME: reason" on `err`, escaped (see escaped()). For an unreadable name the line
// shows the name's bytes as given, and the reason says that the name is not UTF-8.
void writeFailure(QTextStream& err, const QString& name, const QString& reason);

} // namespace AnswerStream
