#pragma once

// What each fuzz target does with one input. The fuzzers and the regression
// test (which replays saved inputs) call these same functions.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

enum class RenderStatus;

// The result of one run: empty when every promise of the reader held, else
// what was broken (the fuzzers abort on it, so the input is kept).
using FuzzFailure = QString;

// The configuration file, read as the window reads "korvane.xml".
FuzzFailure fuzzConfiguration(const QByteArray &input);

// The multi cache text, loaded and then packed into a drag payload as the
// entry list does; the payload must read back to the same entries.
FuzzFailure fuzzCacheLoader(const QByteArray &input);

// A dropped payload rendered by the preview, with small demo readers.
FuzzFailure fuzzPayloadPreview(const QByteArray &input);

// A payload rendered by the preview against art and tile data of the same
// input: u32 p, u32 n, u32 d (little-endian), then p bytes of payload, n bytes
// of the item half of the art index (from entry 16384 on), d bytes of art
// data, and the rest the item section of the tile data (none when empty). A
// size beyond the input takes what is left.
FuzzFailure fuzzRender(const QByteArray &input);

// Whether a rendering of `payload` kept the renderer's promises: its status
// fits the payload's first entry, and the image is null unless rendered, else
// within the size limits.
FuzzFailure checkRendering(const QByteArray &payload, RenderStatus status, const QImage &image);

// A dropped payload written as ".mlt" files into a temporary directory;
// nothing may be written outside it.
FuzzFailure fuzzPayloadExport(const QByteArray &input);

// The art store: u32 n (little-endian), n bytes of the item half of the
// index (from entry 16384 on), then the art data. Bits 31 and 30 of n stand
// for an index or data file that does not open. Sizes, bitmaps and images
// are asked for a spread of graphic ids.
FuzzFailure fuzzArtStore(const QByteArray &input);

// The tile data store: one byte, then the file. When bit 0 of the byte is set
// the file's item section starts with the bytes (the land section is zero);
// bit 1 stands for a file that does not open.
FuzzFailure fuzzTileData(const QByteArray &input);

struct FuzzTarget
{
    const char *name; // fuzz_<name> is the fuzzer; tests/data/fuzz/<name>/ its crashes
    FuzzFailure (*run)(const QByteArray &input);
};

const QList<FuzzTarget> &fuzzTargets();
const FuzzTarget *findFuzzTarget(const QString &name);

// Seed inputs of a target, made by the demo encoders.
QList<QByteArray> fuzzSeeds(const QString &name);
