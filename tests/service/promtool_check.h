#pragma once
// promtool's verdict on an exposition text: what it says, empty when the
// text passes `promtool check metrics` (its lint included).

#include <QByteArray>
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
    if (!promtool.waitForFinished(60000))
        return "promtool did not finish";
    const std::string said = promtool.readAll().toStdString();
    return promtool.exitCode() == 0 ? std::string() : "promtool: " + said;
}

}  // namespace lumivex::testing
