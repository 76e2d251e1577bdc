#pragma once

#include <QByteArray>

// Writes all of `size` bytes at `data` to the descriptor `fd`, going on
// after short writes and interruptions. Returns 0, or the errno of the
// failure (EIO when the system wrote nothing without saying why).
int writeAll(int fd, const char *data, qint64 size);
inline int writeAll(int fd, const QByteArray &bytes)
{
    return writeAll(fd, bytes.constData(), bytes.size());
}
