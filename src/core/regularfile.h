#pragma once

#include <QIODevice>
#include <QString>

class QFile;

// Opens `file` (by its name) for reading only when the name is a regular file.
// A FIFO, device, socket or directory is refused without blocking on it: a
// FIFO's open would wait for a writer, and a device could be read without end.
// On failure the file stays closed and `error` (when given) says why, in the
// system's words or as "not a regular file". The file is opened by its handle,
// so while open (and after) fileName() is empty.
// `extra` is added to the read-only mode (QIODevice::Unbuffered, say).
bool openRegularFile(QFile &file, QString *error = nullptr, QIODevice::OpenMode extra = {});

// Reads at most `limit` bytes of an open device, from its current position.
// `complete` (when given) tells whether the device ended within the limit.
// A file's size is taken at once: memory that cannot be had throws
// std::bad_alloc before anything is read.
QByteArray readUpTo(QIODevice &device, qint64 limit, bool *complete = nullptr);

// "not enough memory to read <what> (<bytes> bytes)", for a std::bad_alloc.
QString notEnoughMemory(const QString &what, qint64 bytes);
