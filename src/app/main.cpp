#include "mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
    // The desktop entry's name: desktops that match windows to entries by it
    // show the entry's name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(KORVANE_APP_ID));

    // Every size rendered from the installed icon, embedded as ":/icons/<size>.png".
    QIcon icon;
    const QDir icons(QStringLiteral(":/icons"));
    for (const QString &name : icons.entryList(QDir::Files))
        icon.addFile(icons.filePath(name));
    QApplication::setWindowIcon(icon);

    MainWindow window;
    QObject::connect(&application, &QApplication::lastWindowClosed, &application,
                     &QApplication::quit);
    window.show();
    return application.exec();
}
