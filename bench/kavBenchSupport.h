#pragma once

// What the benchmark programs share: the process's memory figures and a stopwatch.

#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <chrono>

// Kilobytes of a line of /proc/self/status ("VmHWM", "VmRSS"); 0 when unreadable.
inline qint64 statusKB(QByteArrayView key)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith(key) && line.size() > key.size() && line.at(key.size()) == ':')
            return line.mid(key.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

inline double mb(qint64 bytes)
{
    return double(bytes) / 1048576.0;
}

inline QString memoryLine()
{
    return QStringLiteral("peak %1 MB (rss %2 MB)").arg(double(statusKB("VmHWM")) / 1024, 0, 'f', 1)
        .arg(double(statusKB("VmRSS")) / 1024, 0, 'f', 1);
}

class Stopwatch
{
public:
    double ms() const
    {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - FStart).count();
    }

private:
    std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
};

