#pragma once

#include "commandoutput.h"

#include <QByteArray>
#include <QString>

class QImage;

// Where korvane-cli puts a picture, decided before it is drawn: standard
// output for "-", a device or FIFO (written through: that is what naming one
// means), or a file that is replaced only once the picture is complete. The
// format is the one the file's extension names, PNG without one and for "-".
class PictureOutput
{
public:
    PictureOutput(const CommandOutput &output, const QString &path);

    // What the command line asks that cannot be done: a format Qt cannot
    // write, or PNG bytes onto a terminal. "" when there is none.
    QString usageProblem() const;
    // Why nothing can be written to the path, as far as can be told before
    // writing (a directory). "" when there is none.
    QString targetProblem() const;

    // "standard output" or the path.
    QString name() const;

    // Writes the picture; the reason when it could not, else "".
    QString write(const QImage &image) const;

private:
    const CommandOutput &output;
    QString path;
    QString suffix;
    QByteArray imageFormat; // empty when Qt cannot write the suffix's format
};
