#include "cli/AnswerStream.h"

#include <QtGlobal>

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

} // namespace

void separate()
{
    if (g_answers)
        return;
    const int copy = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
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
