#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

class QFile;

// Reads an open regular file into memory on a thread of its own, so that
// what has arrived can be used while the rest is read: a large file costs
// about the longer of reading it and using it, not their sum. The file's size
// when reading starts is read, or less where it ends sooner.
class FileReadAhead
{
public:
    // The file is the reader's until finish(); it is not closed.
    explicit FileReadAhead(QFile &file);
    ~FileReadAhead();

    FileReadAhead(const FileReadAhead &) = delete;
    FileReadAhead &operator=(const FileReadAhead &) = delete;

    struct Arrived
    {
        qsizetype size; // bytes at data() that may be read
        bool complete;  // the file has been read whole
    };
    // Waits until `wanted` bytes have arrived, or all there are.
    Arrived wait(qsizetype wanted);
    const char *data() const { return bytes.constData(); }

    // Waits for the end; the bytes read (data() stays where it is) and, when
    // reading failed, why.
    QByteArray finish(QString *error);

private:
    void readAll();

    QFile &file;
    QByteArray bytes;
    std::mutex lock;
    std::condition_variable arrival;
    qsizetype arrived = 0;
    bool complete = false;
    std::thread reader;
};
