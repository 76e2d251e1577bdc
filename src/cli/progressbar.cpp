#include "progressbar.h"

#include <QByteArray>

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

constexpr qint64 RedrawInterval = 100; // ms: a terminal is slow to write to
constexpr qint64 WidthInterval = 250;  // ms between two readings of the width
constexpr qint64 EstimateAfter = 500;  // ms of work before a rate is told
constexpr int FallbackColumns = 80;
constexpr int MinimumBar = 10;
constexpr int RateWidth = 7;      // "12345/s", "678k/s"
constexpr int TimeLeftWidth = 10; // "12:34 left"

int terminalColumns(std::FILE *stream)
{
#ifdef Q_OS_WIN
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
#else
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
#endif
    return FallbackColumns;
}

QByteArray rateText(double perSecond)
{
    if (perSecond < 10)
        return QByteArray::number(perSecond, 'f', 1) + "/s";
    if (perSecond < 10000)
        return QByteArray::number(qRound64(perSecond)) + "/s";
    return QByteArray::number(qRound64(perSecond / 1000)) + "k/s";
}

// Empty when it is too far off to be worth telling.
QByteArray timeLeftText(qint64 seconds)
{
    if (seconds >= 100 * 3600)
        return {};
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    const auto twoDigits = [](qint64 n) { return QByteArray::number(n).rightJustified(2, '0'); };
    QByteArray text = hours > 0 ? QByteArray::number(hours) + ':' + twoDigits(minutes)
                                : QByteArray::number(minutes);
    return text + ':' + twoDigits(seconds % 60) + " left";
}

// The bar's line in at most room characters. The fields keep their widths
// (blank until there is an estimate), so the bar only changes size with the
// terminal. When room is short, the counts go first, then the rate, then the
// time left; below the bar's least width only the text that fits is left.
QByteArray barLine(qint64 done, qint64 total, qint64 elapsed, int room)
{
    const QByteArray percent = QByteArray::number(done * 100 / total).rightJustified(3) + '%';
    const QByteArray totalText = QByteArray::number(total);
    QByteArray counts = QByteArray::number(done).rightJustified(totalText.size()) + '/' + totalText;
    QByteArray rate, timeLeft;
    if (elapsed >= EstimateAfter && done > 0) {
        const double perSecond = done * 1000.0 / elapsed;
        rate = rateText(perSecond);
        timeLeft = timeLeftText(qint64((total - done) / perSecond + 0.5));
    }
    const QByteArray shownTimeLeft = timeLeft;
    rate = rate.rightJustified(RateWidth);
    timeLeft = timeLeft.rightJustified(TimeLeftWidth);

    QByteArray text;
    int barWidth = 0;
    const auto compose = [&] {
        text = percent;
        for (const QByteArray *field : {&counts, &rate, &timeLeft})
            if (!field->isEmpty())
                text += "  " + *field;
        barWidth = room - 3 - int(text.size()); // "[", "] "
    };
    compose();
    for (QByteArray *field : {&counts, &rate, &timeLeft}) {
        if (barWidth >= MinimumBar)
            break;
        field->clear();
        compose();
    }
    if (barWidth >= MinimumBar) {
        const qint64 filled = done * barWidth / total;
        return '[' + QByteArray(filled, '#') + QByteArray(barWidth - filled, '.') + "] " + text;
    }
    text = percent;
    if (!shownTimeLeft.isEmpty() && text.size() + 2 + shownTimeLeft.size() <= room)
        text += "  " + shownTimeLeft;
    return text.left(room);
}

} // namespace

QByteArray ProgressBar::line(qint64 done, qint64 total, qint64 elapsed, int columns)
{
    // The last column is left free: writing into it makes some terminals wrap.
    const int room = columns - 1;
    if (room <= 0 || total <= 0)
        return {};
    return barLine(qBound<qint64>(0, done, total), total, elapsed, room);
}

ProgressBar::ProgressBar(qint64 total, std::FILE *stream)
    : stream(stream), shown(fileno(stream) >= 0 && isatty(fileno(stream)) != 0), total(total)
{
    clock.start();
}

ProgressBar::~ProgressBar()
{
    clear();
}

void ProgressBar::update(qint64 done)
{
    if (!shown || total <= 0)
        return;
    const qint64 now = clock.elapsed();
    if (lastDraw >= 0 && now - lastDraw < RedrawInterval)
        return;
    lastDraw = now;
    if (widthRead < 0 || now - widthRead >= WidthInterval) {
        columns = terminalColumns(stream);
        widthRead = now;
    }

    QByteArray line = ProgressBar::line(done, total, now, columns);
    if (line.isEmpty())
        return;
    const int room = columns - 1;
    // Blanks over what a longer line before it left behind.
    line = line.leftJustified(qMin(drawnLength, room));
    std::fputc('\r', stream);
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fflush(stream);
    drawnLength = int(line.size());
}

void ProgressBar::clear()
{
    lastDraw = -1;
    if (drawnLength <= 0)
        return;
    std::fprintf(stream, "\r%*s\r", qMin(drawnLength, qMax(columns - 1, 0)), "");
    std::fflush(stream);
    drawnLength = 0;
}
