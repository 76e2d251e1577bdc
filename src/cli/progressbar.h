#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QtGlobal>

#include <cstdio>

// A one-line progress bar on a stream (standard error), drawn only when it
// is a terminal.
// It fits the terminal's width, follows it when the terminal is resized, and
// tells the rate and the time left once half a second of work gives an estimate.
class ProgressBar
{
public:
    ProgressBar(qint64 total, std::FILE *stream);
    ~ProgressBar();

    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;

    void update(qint64 done);

    // The bar's line for a terminal of `columns`, `elapsed` milliseconds
    // into the work: never as wide as the terminal (its last column makes
    // some terminals wrap), the rate and the time left where they fit.
    static QByteArray line(qint64 done, qint64 total, qint64 elapsed, int columns);
    // Wipes the bar, so that a message can take its line.
    void clear();

private:
    std::FILE *stream;
    bool shown;
    qint64 total;
    QElapsedTimer clock;
    qint64 lastDraw = -1;  // clock time of the last redraw, -1 for none since a wipe
    qint64 widthRead = -1; // clock time the terminal's width was read
    int columns = 0;       // the terminal's width
    int drawnLength = 0;   // characters on the bar's line, 0 when wiped
};
