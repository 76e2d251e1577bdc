#pragma once

#include <QByteArray>
#include <QMap>
#include <QSize>
#include <QString>

// What a gallery directory held when it was last written, kept beside its
// page as FileName: a line a picture, with the key it was drawn for (see
// PictureKeys), the digest and count of its bytes and its size in pixels. It
// is never taken over the files: a picture counts as there only while its
// file still holds the bytes recorded.
class OutputDirectory;

class GalleryManifest
{
public:
    static const QString FileName;
    // A manifest larger than this is not read: a real one takes about 150
    // bytes a picture.
    static constexpr qint64 MaxBytes = qint64(64) << 20;

    struct Picture
    {
        QByteArray key;
        QByteArray digest; // of the file's bytes, see digest()
        qint64 bytes = 0;
        QSize pixels;
    };

    // The manifest in `directory`; an empty one when there is none or the
    // file is not one (foreign, damaged, too large, not a regular file).
    static GalleryManifest read(const OutputDirectory &directory);
    // The digest recorded of a picture's bytes: 40 hexadecimal digits.
    static QByteArray digest(const QByteArray &bytes);

    // The picture `name` when it is recorded with `key` and its file in
    // `directory` (a regular file, not a link) holds the bytes recorded;
    // null otherwise.
    const Picture *intact(const OutputDirectory &directory, const QString &name,
                          const QByteArray &key) const;

    const Picture *find(const QString &name) const;
    void insert(const QString &name, const Picture &picture) { pictures.insert(name, picture); }
    void remove(const QString &name) { pictures.remove(name); }
    qsizetype size() const { return pictures.size(); }

    // The file's contents: a header line, then a line a picture by name.
    QByteArray text() const;

private:
    bool parse(const QByteArray &text);

    QMap<QString, Picture> pictures;
};
