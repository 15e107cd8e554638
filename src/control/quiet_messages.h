#pragma once
// The shared layer's messages, for a program without windows: notices of
// success (said through notice()) are dropped, or kept as notes when
// verbose; anything else is kept as the problem the operation ends with.
// The exit code comes from what the caller knows happened (the read-back's
// outcome, the load's result), never from the text. Questions are never
// asked: the answer is given beforehand (setAssumeYes).

#include "control/outcome.h"
#include "platform/message_service.h"

#include <QStringList>

#include <optional>

namespace lumivex::control {

class QuietMessages final : public MessageService {
public:
    // notes: where notices go when verbose.
    QuietMessages(bool verbose, QStringList& notes) : m_verbose(verbose), m_notes(notes) {}

    void setAssumeYes(bool yes) { m_assumeYes = yes; }
    // Names the link in failure lines ("COM1: Read RS232 Data Fail").
    void setLinkName(const QString& name) { m_linkName = name; }
    const QString& linkName() const { return m_linkName; }

    void info(const QString& text) override;
    void notice(const QString& text) override;
    bool askYesNo(const QString& text) override;

    // Throws the first problem since the last call, with this exit code;
    // format, when given, wraps its text ("the device did not answer (%1)").
    void throwIfProblem(ExitCode code, const QString& format = QStringLiteral("%1"));
    // Fails with the code, with the problem's text when there is one.
    [[noreturn]] void failWith(ExitCode code, const QString& fallback, const QString& format = QStringLiteral("%1"));

private:
    bool m_verbose;
    QStringList& m_notes;
    bool m_assumeYes = false;
    QString m_linkName;
    std::optional<QString> m_problem;
};

}  // namespace lumivex::control
