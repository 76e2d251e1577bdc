#pragma once

#include "gallery/picturestyle.h"

#include <QString>

class QCommandLineParser;

// --scale, --background and --trim: how render and gallery finish a picture.
void addPictureOptions(QCommandLineParser &parser);
// The style the options ask for; the usage problem when one is not valid,
// else "" (`style` is then set).
QString readPictureOptions(const QCommandLineParser &parser, PictureStyle *style);
