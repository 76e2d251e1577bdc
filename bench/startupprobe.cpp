// Start-up probe of the benchmark: korvane-startupprobe window|empty
// Builds the real main window (reading the korvane.xml beside the probe, as
// the window does) or an empty QMainWindow, shows it, and once its first
// frame is painted prints "painted <peak RSS in KiB>" and ends at once.
#include "app/mainwindow.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

qint64 peakRssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line; !(line = status.readLine()).isEmpty();) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// The first paint event of any widget starts the frame; the frame is complete
// when the event loop next runs.
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen) {
            seen = true;
            QTimer::singleShot(0, [] {
                std::printf("painted %lld\n", static_cast<long long>(peakRssKiB()));
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const bool empty = application.arguments().value(1) == QLatin1String("empty");
    FirstPaint firstPaint;
    application.installEventFilter(&firstPaint);

    std::unique_ptr<QMainWindow> window;
    if (empty)
        window = std::make_unique<QMainWindow>();
    else
        window = std::make_unique<MainWindow>();
    QObject::connect(&application, &QApplication::lastWindowClosed, &application,
                     &QApplication::quit);
    window->show();
    return application.exec();
}
