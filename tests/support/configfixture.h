#pragma once

#include <QCoreApplication>
#include <QFile>

// Puts a "korvane.xml" beside the test executable, where the window looks for
// it, for the lifetime of the fixture. Tests using it must not run in parallel
// (the widgets tests share a ctest resource lock).
class ConfigFixture
{
public:
    explicit ConfigFixture(const QByteArray &xml) : path(configPath())
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(xml);
    }
    ~ConfigFixture() { QFile::remove(path); }

    ConfigFixture(const ConfigFixture &) = delete;
    ConfigFixture &operator=(const ConfigFixture &) = delete;

    static QString configPath()
    {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/korvane.xml");
    }

private:
    QString path;
};
