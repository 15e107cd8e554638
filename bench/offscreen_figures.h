#pragma once
// What the benchmarks on the offscreen platform share: the platform set
// before the application starts, Qt's own warnings kept out of the figures,
// and the median they print.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace lumivex::bench {

inline void useOffscreenPlatformQuietly()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace lumivex::bench
