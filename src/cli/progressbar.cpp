#include "progressbar.h"

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

constexpr int BarWidth = 40;

} // namespace

ProgressBar::ProgressBar(qint64 total) : shown(isatty(fileno(stderr)) != 0), total(total) {}

ProgressBar::~ProgressBar()
{
    clear();
}

void ProgressBar::update(qint64 done)
{
    if (!shown || total <= 0)
        return;
    done = qBound<qint64>(0, done, total);
    // Redrawn only when the figure changes: a terminal is slow to write to.
    const int permille = int(done * 1000 / total);
    if (permille == lastPermille)
        return;
    lastPermille = permille;

    char bar[BarWidth + 1];
    const int filled = permille * BarWidth / 1000;
    for (int i = 0; i < BarWidth; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[BarWidth] = '\0';
    drawnLength = std::fprintf(stderr, "\r[%s] %3d%%  %lld/%lld", bar, permille / 10,
                               static_cast<long long>(done), static_cast<long long>(total));
    std::fflush(stderr);
}

void ProgressBar::clear()
{
    if (drawnLength <= 0)
        return;
    std::fprintf(stderr, "\r%*s\r", drawnLength, "");
    std::fflush(stderr);
    drawnLength = 0;
    lastPermille = -1;
}
