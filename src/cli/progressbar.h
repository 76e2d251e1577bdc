#pragma once

#include <QtGlobal>

// A one-line progress bar on stderr, drawn only when stderr is a terminal.
class ProgressBar
{
public:
    explicit ProgressBar(qint64 total);
    ~ProgressBar();

    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;

    void update(qint64 done);
    // Wipes the bar, so that a message can take its line.
    void clear();

private:
    bool shown;
    int drawnLength = 0; // characters on the bar's line, 0 when wiped
    qint64 total;
    int lastPermille = -1;
};
