#pragma once

#include <QByteArray>
#include <QMap>
#include <QSize>
#include <QString>
#include <QStringList>

class OutputDirectory;
class QIODevice;

// The gallery's record of what it wrote into its directory, kept there as
// FileName: a line a picture, with the key it was drawn for (see
// PictureKeys), the digest and count of its bytes and its size in pixels; and
// a line a page, with the digest and count of its bytes. It is never taken
// over the files: a picture counts as there, and a page as the gallery's own,
// only while its file still holds the bytes recorded.
//
// Version 1 of the record held pictures only; it is still read, its pages
// none that the gallery may call its own.
class GalleryManifest
{
public:
    static const QString FileName;
    // A manifest larger than this is not read: a real one takes about 150
    // bytes a picture.
    static constexpr qint64 MaxBytes = qint64(64) << 20;
    // No page of 500 cards comes near this.
    static constexpr qint64 MaxPageBytes = qint64(64) << 20;

    struct Picture
    {
        QByteArray key;
        QByteArray digest; // of the file's bytes, see digest()
        qint64 bytes = 0;
        QSize pixels;
    };
    struct Page
    {
        QByteArray digest;
        qint64 bytes = 0;
    };

    // The manifest in `directory`; an empty one when there is none or the
    // file is not one (foreign, damaged, too large, not a regular file).
    static GalleryManifest read(const OutputDirectory &directory);
    // The digest recorded of a file's bytes: 40 hexadecimal digits.
    static QByteArray digest(const QByteArray &bytes);
    // The largest PNG file a picture of `pixels` can be: a size beyond it
    // is a damaged record.
    static qint64 mostPictureBytes(QSize pixels);

    // The picture `name` when it is recorded with `key` and its file in
    // `directory` (a regular file, not a link) holds the bytes recorded;
    // null otherwise.
    const Picture *intact(const OutputDirectory &directory, const QString &name,
                          const QByteArray &key) const;
    // Whether the page `name` is recorded and its file in `directory` (a
    // regular file, not a link) still holds the bytes recorded.
    bool pageIntact(const OutputDirectory &directory, const QString &name) const;

    const Picture *find(const QString &name) const;
    void insert(const QString &name, const Picture &picture) { pictures.insert(name, picture); }
    void remove(const QString &name) { pictures.remove(name); }
    qsizetype size() const { return pictures.size(); }

    QStringList pageNames() const { return pages.keys(); }
    const Page *findPage(const QString &name) const;
    void insertPage(const QString &name, const Page &page) { pages.insert(name, page); }
    void removePage(const QString &name) { pages.remove(name); }

    // The file's contents: a header line, then a line a picture by name, then
    // a line a page by name.
    QByteArray text() const;

private:
    bool parse(const QByteArray &text);
    // Whether the regular file `name` holds `bytes` bytes of that digest,
    // read a piece at a time.
    static bool holds(const OutputDirectory &directory, const QString &name, qint64 bytes,
                      const QByteArray &digest);

    QMap<QString, Picture> pictures;
    QMap<QString, Page> pages;
};
