#include "multifilewriter.h"

#include "atomicfile.h"
#include "cache/decimaltext.h"
#include "cache/multipayload.h"

#include <QtEndian>

#include <array>

namespace {

constexpr qsizetype MultiFileLead = 4;
constexpr qsizetype MultiFileRecord = 12;

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

} // namespace

QByteArray encodeMultiFile(const ComponentList &components)
{
    QByteArray bytes(MultiFileLead + MultiFileRecord * components.size(), Qt::Uninitialized);
    char *out = bytes.data();
    qToLittleEndian<qint32>(0, out);
    out += MultiFileLead;
    for (const ComponentSpec &spec : components) {
        qToLittleEndian<quint16>(decimalUShort(spec.field(ComponentSpec::Graphic)), out);
        qToLittleEndian<qint16>(decimalShort(spec.field(ComponentSpec::X)), out + 2);
        qToLittleEndian<qint16>(decimalShort(spec.field(ComponentSpec::Y)), out + 4);
        qToLittleEndian<qint16>(decimalShort(spec.field(ComponentSpec::Z)), out + 6);
        qToLittleEndian<qint32>(1, out + 8);
        out += MultiFileRecord;
    }
    return bytes;
}

bool writeMultiFiles(const QByteArray &payload, const QString &directory, MultiFileReport *report,
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
    AtomicFile::removeStaleTemporaries(directory);

    MultiPayloadReader reader(payload);
    MultiEntry entry;
    AtomicFile file;
    int handled = 0;
    while (!reader.atEnd()) {
        const bool whole = reader.readEntry(entry);
        const QString name = entry.text + QStringLiteral(".mlt");
        QString failure = whole ? checkName(entry.text) : QStringLiteral("payload cut short");
        bool stop = !whole;
        if (failure.isEmpty() &&
            !(file.open(directory, name) && file.write(encodeMultiFile(entry.components)) &&
              file.commit())) {
            failure = file.errorString();
            file.discard();
            if (file.errorHitsEveryFile()) {
                result.stopped = failure;
                stop = true;
            }
        }

        if (failure.isEmpty()) {
            ++result.written;
            result.files.append(prefix + name);
        } else {
            result.failures.append({entry.text, failure});
        }
        ++handled;
        if (progress)
            progress(handled);
        if (stop)
            break;
    }
    return result.failures.isEmpty();
}
