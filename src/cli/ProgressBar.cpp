#include "cli/ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <string>

namespace {

constexpr int kBarWidth = 30;

} // namespace

ProgressBar::ProgressBar(std::FILE* stream, int total)
    : m_stream(stream), m_total(std::max(1, total)), m_shown(stream && isatty(fileno(stream)) == 1)
{
}

void ProgressBar::update(int done)
{
    if (!m_shown)
        return;
    done = std::clamp(done, 0, m_total);
    const int filled = done * kBarWidth / m_total;
    const std::string bar = std::string(size_t(filled), '#') + std::string(size_t(kBarWidth - filled), '.');
    std::fprintf(m_stream, "\r\033[K[%s] %d/%d", bar.c_str(), done, m_total);
    std::fflush(m_stream);
}

void ProgressBar::clear()
{
    if (!m_shown)
        return;
    std::fputs("\r\033[K", m_stream);
    std::fflush(m_stream);
}
