#include "multifilewriter.h"

#include "atomicfile.h"
#include "cache/decimaltext.h"
#include "cache/multipayload.h"

#include <QtEndian>

#include <array>

namespace {

constexpr qsizetype MultiFileLead = 4;
constexpr qsizetype MultiFileRecord = 12;

// Fields 0 to 3 of a ComponentSpec, as QString::section(':', n) gives them:
// empty fields count, a field past the last ':' is empty.
std::array<QStringView, 4> leadingFields(QStringView specText)
{
    std::array<QStringView, 4> fields;
    qsizetype start = 0;
    for (QStringView &field : fields) {
        if (start > specText.size())
            break;
        qsizetype end = specText.indexOf(u':', start);
        if (end < 0)
            end = specText.size();
        field = specText.sliced(start, end - start);
        start = end + 1;
    }
    return fields;
}

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

QByteArray encodeMultiFile(const QStringList &components)
{
    QByteArray bytes(MultiFileLead + MultiFileRecord * components.size(), Qt::Uninitialized);
    char *out = bytes.data();
    qToLittleEndian<qint32>(0, out);
    out += MultiFileLead;
    for (const QString &specText : components) {
        const std::array<QStringView, 4> fields = leadingFields(specText);
        qToLittleEndian<quint16>(decimalUShort(fields[0]), out);
        qToLittleEndian<qint16>(decimalShort(fields[1]), out + 2);
        qToLittleEndian<qint16>(decimalShort(fields[2]), out + 4);
        qToLittleEndian<qint16>(decimalShort(fields[3]), out + 6);
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
