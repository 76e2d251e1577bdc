#include "demoencoders.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>

// Writes a demo client data set: korvane-demodata [--large] [--with-odd-entries] DIR
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane-demodata"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes a demo client data set to try Korvane Extractor without a client."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption large(QStringLiteral("large"),
                                   QStringLiteral("Write the stress set of about 8000 entries."));
    const QCommandLineOption odd(
        QStringLiteral("with-odd-entries"),
        QStringLiteral("Add entries a sound client file rarely holds, for testing."));
    parser.addOption(large);
    parser.addOption(odd);
    parser.addPositionalArgument(QStringLiteral("DIR"),
                                 QStringLiteral("The directory to write (created if needed)."));
    if (!parser.parse(application.arguments())) {
        std::fprintf(stderr, "korvane-demodata: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "korvane-demodata: give one directory (see --help)\n");
        return 2;
    }

    const QString dir = QDir(parser.positionalArguments().first()).absolutePath();
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!writeDemoSet(dir, parser.isSet(large), &error, parser.isSet(odd))) {
        std::fprintf(stderr, "korvane-demodata: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("korvane-demodata: wrote %s set to %s in %.2f s\n",
                parser.isSet(large) ? "the large" : "the demo", qPrintable(dir),
                timer.elapsed() / 1000.0);
    std::printf("Next: korvane-cli config %s\n"
                "  (or copy %s/korvane.xml to ~/.config/korvane/korvane.xml)\n",
                qPrintable(dir), qPrintable(dir));
    return 0;
}
