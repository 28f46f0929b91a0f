#pragma once

#include <cstdio>

// A one-line progress bar on a terminal: "[#####.....]  5/10". Does nothing when the stream
// is not a terminal.
class ProgressBar
{
public:
    ProgressBar(std::FILE* stream, int total);

    // Redraws the bar with `done` of the total finished.
    void update(int done);
    // Clears the bar's line, so that another line can be printed in its place.
    void clear();

private:
    std::FILE* m_stream;
    int m_total;
    bool m_shown;
};
