#pragma once
// What `promtool check metrics` says of an exposition text; empty: it passes.

#include <QProcess>

#include <string>

namespace lumivex::testing {

inline std::string promtoolProblems(const QByteArray& text)
{
    QProcess promtool;
    promtool.setProcessChannelMode(QProcess::MergedChannels);
    promtool.start(QStringLiteral(PROMTOOL), {QStringLiteral("check"), QStringLiteral("metrics")});
    promtool.write(text);
    promtool.closeWriteChannel();
    const bool ended = promtool.waitForFinished(60000);
    return ended && promtool.exitCode() == 0 ? std::string() : "promtool: " + promtool.readAll().toStdString();
}

}  // namespace lumivex::testing
