#include "clioptions.h"

#include "client/clientdata.h"
#include "core/configuration.h"
#include "core/shownname.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

QString unwritableDirectory(const QString &directory)
{
    const QFileInfo info(directory);
    if (!info.exists())
        return QStringLiteral("no such directory");
    if (!info.isDir())
        return QStringLiteral("not a directory");
    if (!info.isWritable())
        return QStringLiteral("directory not writable");
    return {};
}

QString wrapText(const QString &text, int width, int indent)
{
    QStringList out;
    for (QString rest : text.split(u'\n')) {
        while (rest.size() > width) {
            // At the last space that fits, past the line's own indentation.
            qsizetype lead = 0;
            while (lead < rest.size() && rest[lead] == u' ')
                ++lead;
            const qsizetype cut = rest.lastIndexOf(u' ', width);
            if (cut <= lead)
                break;
            out.append(rest.left(cut));
            rest = QString(indent, u' ') + rest.mid(cut + 1);
        }
        out.append(rest);
    }
    return out.join(u'\n');
}

QString exitStatusHelp(const QList<ExitStatusLine> &lines)
{
    const QList<ExitStatusLine> all =
        lines.isEmpty()
            ? QList<ExitStatusLine>{successLine(),
                                    {ExitPartial, QStringLiteral("partial failure: some files "
                                                                 "were not written")},
                                    usageLine(),
                                    inputLine(QStringLiteral("configuration, client file, "
                                                             "entry, directory, output or "
                                                             "argument"))}
            : lines;
    QString help = QStringLiteral("Exit status:");
    for (const ExitStatusLine &line : all)
        help += u'\n' +
                wrapText(QStringLiteral("  %1  %2").arg(int(line.status)).arg(line.meaning), 79, 5);
    return help;
}

ExitStatusLine successLine()
{
    return {ExitSuccess, QStringLiteral("success")};
}

ExitStatusLine usageLine()
{
    return {ExitUsage, QStringLiteral("usage error")};
}

ExitStatusLine inputLine(const QString &what)
{
    return {ExitInput, QStringLiteral("input error: %1 that cannot be used").arg(what)};
}

QString parseErrorText(const QCommandLineParser &parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty())
        return parser.errorText();
    const QString &name = unknown.first();
    return QStringLiteral("unknown option '%1%2'")
        .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
}

void addHelpOptions(QCommandLineParser &parser, bool all)
{
    parser.addOption(
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")});
    if (all)
        parser.addOption(
            {QStringLiteral("help-all"), QStringLiteral("Show the help of every command.")});
}

QString defaultConfigHelp()
{
    const QString path = configurationPath();
    if (path.isEmpty())
        return QStringLiteral("Read the client file paths from <file> (there is no default: %1).")
            .arg(userConfigurationProblem());
    return QStringLiteral("Read the client file paths from <file> (default: %1%2).")
        .arg(QDir::toNativeSeparators(path),
             configurationToWrite(path)
                 ? QStringLiteral(", not there yet: 'korvane-cli config CLIENTDIR' writes it")
                 : QString());
}
