#pragma once

#include "command.h"

#include "gallery/picturestyle.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>

// --scale, --background and --trim: how render and the galleries finish a
// picture.
QList<QCommandLineOption> pictureOptions();
// The style the options ask for; the usage problem when one is not valid,
// else "" (`style` is then set).
QString readPictureOptions(const Invocation &call, PictureStyle *style);

// --jobs, for the commands that draw galleries.
QCommandLineOption jobsOption();
// The threads --jobs asks for (by default the processor's); the usage
// problem when it is not one whole number within bounds, else "".
QString readJobs(const Invocation &call, int *jobs);
