#pragma once
// The shared layer's messages, for a program without windows: notices of
// success are dropped (or printed with --verbose), anything else becomes the
// failure the command ends with. Questions are never asked: the answer is
// the command line's --yes.

#include "message_service.h"

#include <optional>

namespace lumivex::ctl {

class CtlMessages final : public MessageService {
public:
    explicit CtlMessages(bool verbose = false) : m_verbose(verbose) {}

    void setAssumeYes(bool yes) { m_assumeYes = yes; }
    // Names the link in failure lines ("COM1: Read RS232 Data Fail").
    void setLinkName(const QString& name) { m_linkName = name; }
    const QString& linkName() const { return m_linkName; }

    void info(const QString& text) override;
    bool askYesNo(const QString& text) override;

    // Throws the failure the messages since the last call amount to.
    void throwIfProblem();

    // The exit code a text of the shared layer stands for.
    static int exitCodeFor(const QString& text);

private:
    bool m_verbose;
    bool m_assumeYes = false;
    QString m_linkName;
    std::optional<QString> m_problem;
    int m_problemCode = 0;
};

}  // namespace lumivex::ctl
