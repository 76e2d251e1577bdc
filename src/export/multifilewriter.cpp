#include "multifilewriter.h"

#include "cache/decimaltext.h"
#include "cache/multifilerecord.h"
#include "cache/multipayload.h"
#include "core/atomicfile.h"
#include "core/outputdirectory.h"

#include <QFile>

#include <algorithm>

namespace {

QString checkName(const QString &text)
{
#ifdef Q_OS_WIN
    const bool separator = text.contains(u'/') || text.contains(u'\\');
#else
    const bool separator = text.contains(u'/');
#endif
    if (separator)
        return QStringLiteral("name contains a path separator");
    // The operating system would end the name at the NUL, writing a file of
    // another name.
    if (text.contains(QChar(0)))
        return QStringLiteral("name contains a NUL character");
    return QString();
}

// Whether the regular file `name` holds exactly the entry's bytes.
bool holdsAlready(const OutputDirectory &directory, const QByteArray &name,
                  const ComponentList &components)
{
    QFile file;
    qint64 size = 0;
    if (!directory.openRegular(name, &file, &size) ||
        size != MultiFileRecord::LeadSize + MultiFileRecord::Size * components.size())
        return false;
    // Compared a piece at a time, as it would be written.
    QByteArray held;
    return encodeMultiFile(components, [&](const QByteArray &piece) {
        held.resize(piece.size());
        return file.read(held.data(), piece.size()) == piece.size() && held == piece;
    });
}

} // namespace

MultiFileOutcome writeMultiFile(const OutputDirectory &directory, const MultiEntry &entry,
                                bool keepUpToDate, QString *failure)
{
    *failure = checkName(entry.text);
    if (!failure->isEmpty())
        return MultiFileOutcome::NotWritten;
    const QString name = entry.text + QStringLiteral(".mlt");
    if (keepUpToDate && holdsAlready(directory, QFile::encodeName(name), entry.components)) {
        std::lock_guard<std::mutex> lock(directory.commitLock());
        if (directory.committedAs(QFile::encodeName(name)).isEmpty()) {
            directory.recordCommitted(QFile::encodeName(name));
            return MultiFileOutcome::UpToDate;
        }
    }
    AtomicFile file;
    if (file.open(directory, name) &&
        encodeMultiFile(entry.components,
                        [&file](const QByteArray &piece) { return file.write(piece); }) &&
        file.commit())
        return MultiFileOutcome::Written;
    *failure = file.errorString();
    file.discard();
    return file.errorHitsEveryFile() ? MultiFileOutcome::StoppedWrite
                                     : MultiFileOutcome::NotWritten;
}

bool encodeMultiFile(const ComponentList &components,
                     const std::function<bool(const QByteArray &piece)> &sink)
{
    // Pieces of a few thousand records: few writes, little memory.
    constexpr qsizetype PieceRecords = 4096;
    QByteArray piece;
    piece.reserve(MultiFileRecord::LeadSize +
                  MultiFileRecord::Size * std::min(components.size(), PieceRecords));
    piece.append(MultiFileRecord::LeadSize, '\0');
    for (const ComponentSpec &spec : components) {
        char record[MultiFileRecord::Size];
        MultiFileRecord{decimalUShort(spec.field(ComponentSpec::Graphic)),
                        decimalShort(spec.field(ComponentSpec::X)),
                        decimalShort(spec.field(ComponentSpec::Y)),
                        decimalShort(spec.field(ComponentSpec::Z))}
            .write(record);
        piece.append(record, MultiFileRecord::Size);
        if (piece.size() >= MultiFileRecord::Size * PieceRecords) {
            if (!sink(piece))
                return false;
            piece.clear();
        }
    }
    return piece.isEmpty() || sink(piece);
}

QByteArray encodeMultiFile(const ComponentList &components)
{
    QByteArray bytes;
    bytes.reserve(MultiFileRecord::LeadSize + MultiFileRecord::Size * components.size());
    encodeMultiFile(components, [&bytes](const QByteArray &piece) {
        bytes += piece;
        return true;
    });
    return bytes;
}

bool writeMultiFiles(qsizetype count, const std::function<MultiEntry(qsizetype)> &entryAt,
                     const QString &directory, MultiFileReport *report,
                     const MultiFileProgress &progress)
{
    MultiFileReport local;
    MultiFileReport &result = report ? *report : local;
    result = MultiFileReport();
    // An empty path would put the files at the root of the file system.
    if (directory.isEmpty()) {
        result.failures.append({QString(), QStringLiteral("no directory given")});
        return false;
    }
    const QString prefix = directory.endsWith(u'/') ? directory : directory + u'/';
    OutputDirectory output;
    if (!output.open(directory)) {
        result.failures.append({QString(), output.errorString()});
        result.stopped = output.errorString();
        return false;
    }
    output.removeStaleTemporaries();

    for (qsizetype n = 0; n < count; ++n) {
        const MultiEntry entry = entryAt(n);
        QString failure;
        const MultiFileOutcome outcome = writeMultiFile(output, entry, false, &failure);
        const bool stop = outcome == MultiFileOutcome::StoppedWrite;
        if (stop)
            result.stopped = failure;

        if (failure.isEmpty()) {
            ++result.written;
            result.files.append(prefix + entry.text + QStringLiteral(".mlt"));
        } else {
            result.failures.append({entry.text, failure});
        }
        if (progress)
            progress(int(n + 1));
        if (stop)
            break;
    }
    return result.failures.isEmpty();
}

bool writeMultiFiles(const QList<MultiEntry> &entries, const QString &directory,
                     MultiFileReport *report, const MultiFileProgress &progress)
{
    return writeMultiFiles(
        entries.size(), [&entries](qsizetype n) { return entries[n]; }, directory, report,
        progress);
}

bool writeMultiFiles(const QByteArray &payload, const QString &directory, MultiFileReport *report,
                     const MultiFileProgress &progress)
{
    bool whole = true;
    QString cut;
    const QList<MultiEntry> entries = decodeMultiPayload(payload, &whole, &cut);
    MultiFileReport local;
    MultiFileReport &result = report ? *report : local;
    const bool written = writeMultiFiles(entries, directory, &result, progress);
    if (whole || !result.stopped.isEmpty() || directory.isEmpty())
        return written && whole;
    result.failures.append({cut, QStringLiteral("payload cut short")});
    if (progress)
        progress(int(entries.size() + 1));
    return false;
}
