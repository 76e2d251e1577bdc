#pragma once

#include "cache/multientry.h"

#include <QByteArray>
#include <QList>

// The multi cache text read the plain way, as what a MultiCache must give:
// the text decoded whole (UTF-8, or what a byte order mark names), lines from
// a QTextStream, fields from QString::section, numbers from QString::toInt.
//
// A stream on the file itself decodes in blocks, and where a block ends
// inside an invalid UTF-8 sequence it may take the next line's end into its
// replacement character; the cache keeps that line end, as the whole text
// has it. And a stream drops a sequence cut by the end of the file, where the
// cache has a replacement character for each of its bytes.
QList<MultiEntry> cacheByTextStream(const QByteArray &text);
