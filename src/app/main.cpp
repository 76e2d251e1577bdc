#include "mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr char NoSessionLine[] =
    "korvane: the window needs a graphical session, and none could be opened "
    "(korvane-cli works without one)\n";

// Whether a platform may be reached: one named in QT_QPA_PLATFORM (as
// "offscreen" for tests) is left to the toolkit; without one, the session's
// display must be named.
bool sessionNamed()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// While the application is made: the toolkit ends the process (abort, core
// dump) when no platform plugin can open, after warnings of its own. Their
// place takes one line and status 1; the warnings of a start that succeeds
// are passed on after it.
struct HeldMessage
{
    QtMsgType type;
    // The toolkit's categories, files and functions are literals.
    const char *category;
    const char *file;
    int line;
    const char *function;
    QString text;
};
QtMessageHandler toolkitHandler = nullptr;
QList<HeldMessage> heldMessages;

void holdStartMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fputs(NoSessionLine, stderr);
        std::_Exit(1);
    }
    heldMessages.append(
        {type, context.category, context.file, context.line, context.function, text});
}

void passHeldMessages()
{
    for (const HeldMessage &held : std::as_const(heldMessages)) {
        const QMessageLogContext context(held.file, held.line, held.function, held.category);
        toolkitHandler(held.type, context, held.text);
    }
    heldMessages.clear();
}

} // namespace

int main(int argc, char *argv[])
{
    if (!sessionNamed()) {
        std::fputs(NoSessionLine, stderr);
        return 1;
    }
    toolkitHandler = qInstallMessageHandler(holdStartMessage);
    QApplication application(argc, argv);
    qInstallMessageHandler(toolkitHandler);
    passHeldMessages();

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
