#include "lumivex-ctl/ctl_messages.h"

#include "lumivex-ctl/ctl_errors.h"
#include "panel/link_messages.h"

namespace lumivex::ctl {

namespace {

bool isNotice(const QString& text)
{
    using namespace link_messages;
    return text == QLatin1String(kDdcOpened) || text == QLatin1String(kUnloaded)
        || (text.startsWith(QLatin1String(kOpenedHead)) && text.endsWith(QLatin1String(kOpenedTail)));
}

}  // namespace

void CtlMessages::info(const QString& text)
{
    if (isNotice(text)) {
        if (m_verbose)
            m_notes << text;
        return;
    }
    // The first problem is the cause; later ones follow from it.
    if (!m_problem)
        m_problem = text;
}

bool CtlMessages::askYesNo(const QString& text)
{
    if (m_assumeYes)
        return true;
    if (!m_problem)
        m_problem = text + QStringLiteral(": not confirmed (add --yes)");
    return false;
}

void CtlMessages::throwIfProblem(int code, const QString& format)
{
    if (m_problem)
        failWith(code, QString(), format);
}

void CtlMessages::failWith(int code, const QString& fallback, const QString& format)
{
    const QString text = m_problem ? format.arg(*m_problem) : fallback;
    m_problem.reset();
    fail(code, m_linkName.isEmpty() ? text : m_linkName + QStringLiteral(": ") + text);
}

}  // namespace lumivex::ctl
