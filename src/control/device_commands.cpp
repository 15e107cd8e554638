#include "control/device_commands.h"

#include "control/outcome.h"
#include "control/session.h"
#include "link/command_table.h"

namespace lumivex::control {

void identify(Session& session, bool verify)
{
    if (verify)
        session.model();
    session.send(commands::identify());
}

void autoAdjust(Session& session)
{
    const int32_t model = session.model();
    if (!modelFeatures(model).autoAdjust)
        fail(kExitUsage, QStringLiteral("the %1 has no auto adjust").arg(modelNames().value(model)));
    const Snapshot s = session.snapshot();
    const AutoAdjustCheck check = checkAutoAdjust(session.link().state(), s.setting.inputSource, s.display.displayMode);
    if (check != AutoAdjustCheck::Ask)
        fail(kExitUsage, autoAdjustMessage(check));
    session.send(commands::autoAdjust());
}

void factoryReset(Session& session, bool verify)
{
    if (!session.messages().askYesNo(QString::fromLatin1(setting_messages::kFactoryReset)))
        session.messages().throwIfProblem(kExitUsage);
    if (verify)
        session.model();
    session.send(commands::factoryReset());
}

}  // namespace lumivex::control
