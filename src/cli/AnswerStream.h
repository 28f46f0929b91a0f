#pragma once

#include <cstdio>

// Where lumora-batch writes its answers on standard error (one line per failed photo), the
// progress bar and the messages asked for with LUMORA_VERBOSE.
//
// Some libraries write their own messages straight to standard error: libpng reports a
// damaged file in two writes, the text and then the line end, so that a decode on another
// thread could splice its message into the middle of an answer line. separate() moves the
// answers to a copy of standard error and points the process's own standard error at
// /dev/null (unless LUMORA_VERBOSE is set), so that the answers stay whole lines.
namespace AnswerStream {

// Call once at start-up, before any other thread runs.
void separate();

// The stream for answers: the copy after separate(), else stderr.
std::FILE* get();

} // namespace AnswerStream
