#include "ctl_messages.h"

#include "ctl_errors.h"
#include "link_messages.h"

#include <cstdio>

namespace lumivex::ctl {

namespace {

bool isNotice(const QString& text)
{
    using namespace link_messages;
    return text == QLatin1String(kDdcOpened) || text == QLatin1String(kUnloaded)
        || (text.startsWith(QLatin1String(kOpenedHead)) && text.endsWith(QLatin1String(kOpenedTail)));
}

}  // namespace

int CtlMessages::exitCodeFor(const QString& text)
{
    using namespace link_messages;
    if (text == QLatin1String(kDdcReadFail) || text == QLatin1String(kSerialReadFail))
        return kExitNoAnswer;
    if (text == QLatin1String(kDdcFail) || text == QLatin1String(kNoLink) || text == QLatin1String(kLineSettingFail)
        || text == QLatin1String(kHandshakeFail) || text.startsWith(QLatin1String(kUnableToOpen))
        || text.startsWith(QLatin1String("Error #")))
        return kExitNoLink;
    // The mask and auto-adjust checks: the request cannot be carried out.
    return kExitUsage;
}

void CtlMessages::info(const QString& text)
{
    if (isNotice(text)) {
        if (m_verbose)
            std::fprintf(stderr, "%s\n", qPrintable(text));
        return;
    }
    // The first problem is the cause; later ones follow from it.
    if (!m_problem) {
        m_problemCode = exitCodeFor(text);
        m_problem = m_problemCode == kExitNoAnswer ? QStringLiteral("the device did not answer (%1)").arg(text) : text;
    }
}

bool CtlMessages::askYesNo(const QString& text)
{
    if (m_assumeYes)
        return true;
    if (!m_problem) {
        m_problem = text + QStringLiteral(": not confirmed (add --yes)");
        m_problemCode = kExitUsage;
    }
    return false;
}

void CtlMessages::throwIfProblem()
{
    if (!m_problem)
        return;
    const QString line = m_linkName.isEmpty() ? *m_problem : m_linkName + QStringLiteral(": ") + *m_problem;
    m_problem.reset();
    fail(m_problemCode, line);
}

}  // namespace lumivex::ctl
