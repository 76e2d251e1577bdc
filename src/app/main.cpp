#include "mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr char NoSessionLine[] =
    "korvane: the window needs a graphical session, and none could be opened "
    "(korvane-cli works without one)\n";

constexpr char HelpText[] =
    "Usage: korvane [FILE.mlt]\n"
    "Lists the multis of a game client's cache file: drag them onto a directory to\n"
    "write them as .mlt files, or onto the preview to see them drawn. FILE.mlt, when\n"
    "given, is drawn in the preview at start, as dropping it there draws it.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Show this help.\n"
    "  -v, --version  Show the version.\n"
    "\n"
    "korvane-cli does the same work without a display (korvane-cli --help).\n";

// Prints the help or the version when an argument before "--" asks for it:
// these need no display, and end the program before any window. Its exit
// status, or -1 when neither is asked.
int printAnswer(int argc, char *argv[])
{
    const char *text = nullptr;
    const std::string version = "korvane " KORVANE_VERSION "\n";
    for (int n = 1; n < argc && !text; ++n) {
        const std::string_view argument = argv[n];
        if (argument == "--")
            break;
        if (argument == "-h" || argument == "--help")
            text = HelpText;
        else if (argument == "-v" || argument == "--version")
            text = version.c_str();
    }
    if (!text)
        return -1;
    if (std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0)
        return 0;
    std::fprintf(stderr, "korvane: cannot write to standard output: %s\n", std::strerror(errno));
    return 1;
}

// The files named, from the arguments the toolkit left once it took its own
// options (-style, ...); after "--" every argument is a file. Any other
// option is a usage error: false, said in two lines.
bool namedFiles(int argc, char *argv[], QStringList *files)
{
    bool options = true;
    for (int n = 1; n < argc; ++n) {
        const std::string_view argument = argv[n];
        if (options && argument == "--") {
            options = false;
        } else if (options && argument.size() > 1 && argument.front() == '-') {
            std::fprintf(stderr,
                         "korvane: unknown option '%s'\n"
                         "Try 'korvane --help' for more information.\n",
                         argv[n]);
            return false;
        } else {
            files->append(QFile::decodeName(argv[n]));
        }
    }
    return true;
}

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
    if (const int status = printAnswer(argc, argv); status >= 0)
        return status;
    if (!sessionNamed()) {
        std::fputs(NoSessionLine, stderr);
        return 1;
    }
    toolkitHandler = qInstallMessageHandler(holdStartMessage);
    QApplication application(argc, argv);
    qInstallMessageHandler(toolkitHandler);
    passHeldMessages();
    QStringList files;
    if (!namedFiles(argc, argv, &files))
        return 2;

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
    // Drawn once the window is up, as a drop would be: the panes keep the
    // sizes of the window without a picture.
    if (!files.isEmpty())
        QTimer::singleShot(0, &window, [&window, &files] { window.openMultiFiles(files); });
    return application.exec();
}
