#pragma once

#include <QByteArray>
#include <QStringList>

// While a WriteGuard lives, every change to the file system that this process
// asks of the C library (creating, opening for writing, renaming, linking,
// removing, changing modes) outside `allowed` is refused with EACCES and
// recorded. So a writer under test can neither escape its directory nor harm
// the machine while it is fuzzed. One guard at a time.
class WriteGuard
{
public:
    // `allowed` is an absolute path without symbolic links; changes to it and
    // below it pass.
    explicit WriteGuard(const QByteArray &allowed);
    ~WriteGuard();

    WriteGuard(const WriteGuard &) = delete;
    WriteGuard &operator=(const WriteGuard &) = delete;

    // The refused calls, as "call path".
    QStringList refused() const;
};

// The absolute form of `path` (taken from `base` when relative) with "." and
// ".." resolved by name.
QByteArray lexicalAbsolutePath(const QByteArray &path, const QByteArray &base);
