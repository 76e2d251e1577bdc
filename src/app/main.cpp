#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    MainWindow window;
    QObject::connect(&application, &QApplication::lastWindowClosed, &application,
                     &QApplication::quit);
    window.show();
    return application.exec();
}
