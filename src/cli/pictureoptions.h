#pragma once

#include "gallery/picturestyle.h"

#include <QString>

class QCommandLineParser;

// --scale, --background and --trim: how render and gallery finish a picture.
void addPictureOptions(QCommandLineParser &parser);
// The style the options ask for; the usage problem when one is not valid,
// else "" (`style` is then set).
QString readPictureOptions(const QCommandLineParser &parser, PictureStyle *style);

// The values given to --jobs, at most one of 1 to `most`, into `jobs`
// (untouched without one); the usage problem when they are not, else "".
QString readJobs(const QStringList &values, int most, int *jobs);
