#include "demoencoders.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>

// Writes a demo client data set: korvane-demodata [--large] DIR
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    const bool large = arguments.removeAll(QStringLiteral("--large")) > 0;
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: korvane-demodata [--large] DIR\n");
        return 2;
    }

    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!writeDemoSet(arguments.first(), large, &error)) {
        std::fprintf(stderr, "korvane-demodata: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("korvane-demodata: wrote %s set to %s in %.2f s\n",
                large ? "the large" : "the demo", qPrintable(arguments.first()),
                timer.elapsed() / 1000.0);
    return 0;
}
