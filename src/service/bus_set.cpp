#include "service/bus_set.h"

#include "control/outcome.h"
#include "control/settings.h"
#include "control/setup_plan.h"
#include "control/value_names.h"
#include "control/set_values.h"

namespace lumivex::service {

using namespace control;

namespace {

[[noreturn]] void refuse(const QString& line)
{
    fail(kExitUsage, line);
}

SetCheck setMaskValue(Session& session, const QString& value)
{
    const MaskSetting wanted = parseMaskValue(value);
    if (wanted.mask != Mask::On)
        return setMask(session, wanted.mask);
    const MaskTenths tenths = maskTenths(session, wanted.request);
    switch (tenths.refusal) {
    case MaskRefusal::None:
        break;
    case MaskRefusal::ModelUnknown:
        refuse(QStringLiteral("the model is unknown, so the sizes give no mask; give --h and --v instead"));
    case MaskRefusal::NoMaskFromSizes:
        refuse(QStringLiteral("--viewable: these sizes give no mask; the viewable width and height must be above 0"));
    case MaskRefusal::NoMaskFromPercent:
        refuse(QStringLiteral("--h and --v give no mask"));
    case MaskRefusal::AboveLimit:
        refuse(QStringLiteral("the sizes give a mask above the %1 % the device masks").arg(double(kMaxMaskPercent)));
    }
    return setMask(session, Mask::On, tenths.state);
}

SetCheck send(Session& session, const QString& setting, const QString& value, bool verify)
{
    if (setting == QLatin1String("input"))
        return setInput(session, Input(pickSetName("input", inputNames(), value)));
    if (setting == QLatin1String("power"))
        return setPower(session, Power(pickSetName("power", powerNames(), value)));
    if (setting == QLatin1String("osd"))
        return setOsd(session, Osd(pickSetName("osd", osdNames(), value)));
    if (setting == QLatin1String("rotation"))
        return setRotation(session, Rotation(pickSetName("rotation", rotationNames(), value)), verify);
    if (setting == QLatin1String("gpo"))
        return setGpo(session, parseGpoValue(value));
    if (setting == QLatin1String("resolution"))
        return setResolution(session, parseResolutionValue(value));
    if (setting == QLatin1String("layout"))
        return setLayout(session, parseLayoutValue(value, session.model()));
    if (setting == QLatin1String("mask"))
        return setMaskValue(session, value);
    refuse(QStringLiteral("set takes one of %1, not '%2'").arg(settingNames().join(QStringLiteral(", ")), setting));
}

}  // namespace

void setSetting(Session& session, const QString& setting, const QString& value, bool verify)
{
    const QString what = setting.toLower();
    const SetCheck check = send(session, what, value, verify);
    if (!check || !verify)
        return;
    const QStringList missed = mismatchLines(readBack(session, *check));
    if (!missed.isEmpty())
        fail(kExitNotVerified, QStringLiteral("%1: set %2 did not take: %3")
                                   .arg(session.linkId(), what, missed.join(QStringLiteral("; "))));
}

}  // namespace lumivex::service
