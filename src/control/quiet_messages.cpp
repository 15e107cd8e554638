#include "control/quiet_messages.h"

#include "control/outcome.h"

namespace lumivex::control {

void QuietMessages::notice(const QString& text)
{
    if (m_verbose)
        m_notes << text;
}

void QuietMessages::info(const QString& text)
{
    // The first problem is the cause; later ones follow from it.
    if (!m_problem)
        m_problem = text;
}

bool QuietMessages::askYesNo(const QString& text)
{
    if (m_assumeYes)
        return true;
    if (!m_problem)
        m_problem = text + QStringLiteral(": not confirmed (add --yes)");
    return false;
}

void QuietMessages::throwIfProblem(ExitCode code, const QString& format)
{
    if (m_problem)
        failWith(code, QString(), format);
}

void QuietMessages::failWith(ExitCode code, const QString& fallback, const QString& format)
{
    const QString text = m_problem ? format.arg(*m_problem) : fallback;
    m_problem.reset();
    fail(code, m_linkName.isEmpty() ? text : m_linkName + QStringLiteral(": ") + text);
}

}  // namespace lumivex::control
