#include "multifilewriter.h"

#include "cache/decimaltext.h"
#include "cache/multipayload.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>

#include <array>
#include <filesystem>
#include <system_error>

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

std::filesystem::path nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Creates a new file under a fresh temporary name beside the target. The
// exclusive create never follows or reuses anything already there.
bool openTemporary(QFile &file, const QString &prefix, QString *error)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const quint64 tag = QRandomGenerator::global()->generate64();
        file.setFileName(prefix +
                         QStringLiteral(".korvane-%1.part").arg(tag, 16, 16, QLatin1Char('0')));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return true;
        const QFileInfo taken(file.fileName());
        if (!taken.exists() && !taken.isSymLink())
            break;
    }
    *error = file.errorString();
    return false;
}

// Writes `bytes` as `target`, which afterwards is either the complete new file
// or what it was before. Returns the reason of a failure, or an empty text.
//
// No sync to disk: a drop of thousands of entries would spend most of its time
// waiting for the disk, and the rename already keeps a failed write (full
// disk, lost device) from touching the target.
QString replaceFile(const QString &prefix, const QString &target, const QByteArray &bytes)
{
    QFile file;
    QString error;
    if (!openTemporary(file, prefix, &error))
        return error;

    bool ok = file.write(bytes) == bytes.size();
    if (ok) {
        file.close();
        ok = file.error() == QFileDevice::NoError;
    }
    if (ok) {
        // A replaced file keeps its permission bits, as when it is rewritten
        // in place (the per-user bits only mirror the owner's or our access).
        const QFileInfo existing(target);
        if (existing.isFile() && !existing.isSymLink()) {
            constexpr auto UserBits =
                QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
            file.setPermissions(existing.permissions() & ~UserBits);
        }
        // Replaces whatever has the target name, a symbolic link included,
        // instead of writing through it.
        std::error_code code;
        std::filesystem::rename(nativePath(file.fileName()), nativePath(target), code);
        if (code) {
            ok = false;
            error = QString::fromLocal8Bit(code.message());
        }
    } else {
        error = file.errorString();
    }
    if (!ok)
        file.remove();
    return error;
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

    MultiPayloadReader reader(payload);
    MultiEntry entry;
    int handled = 0;
    while (!reader.atEnd()) {
        const bool whole = reader.readEntry(entry);
        const QString target = prefix + entry.text + QStringLiteral(".mlt");
        QString failure = whole ? checkName(entry.text) : QStringLiteral("payload cut short");
        if (failure.isEmpty())
            failure = replaceFile(prefix, target, encodeMultiFile(entry.components));

        if (failure.isEmpty()) {
            ++result.written;
            result.files.append(target);
        } else {
            result.failures.append({entry.text, failure});
        }
        ++handled;
        if (progress)
            progress(handled);
        if (!whole)
            break;
    }
    return result.failures.isEmpty();
}
