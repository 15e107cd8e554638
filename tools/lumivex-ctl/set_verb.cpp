// set: each setting's value read from the command line, the control
// library's work, and what is said of its read-back.

#include "control/outcome.h"
#include "control/session.h"
#include "control/setup_plan.h"
#include "control/value_names.h"
#include "lumivex-ctl/ctl_verbs.h"
#include "lumivex-ctl/verb_table.h"
#include "panel/display_rules.h"
#include "control/set_values.h"

#include <QJsonArray>

namespace lumivex::ctl {

using namespace control;

namespace {

[[noreturn]] void usage(const QString& line)
{
    fail(kExitUsage, line);
}

// Why --h/--v or --bezel/--viewable give no mask, in the command line's
// terms; the panel has its own texts.
QString maskRefusal(const MaskTenths& m)
{
    switch (m.refusal) {
    case MaskRefusal::ModelUnknown:
        return QStringLiteral("the model is unknown, so the sizes give no mask; give --h and --v instead");
    case MaskRefusal::NoMaskFromSizes:
        return QStringLiteral("--viewable: these sizes give no mask; the viewable width and height must be above 0");
    case MaskRefusal::NoMaskFromPercent:
        return QStringLiteral("--h and --v give no mask");
    case MaskRefusal::AboveLimit:
    case MaskRefusal::None:
        break;
    }
    return QStringLiteral("the sizes give a mask of %1 % by %2 %, above the %3 % the device masks; check --bezel and "
                          "--viewable (millimetres, the bezel first)")
        .arg(double(m.state.hPercent), 0, 'g', 4)
        .arg(double(m.state.vPercent), 0, 'g', 4)
        .arg(double(kMaxMaskPercent));
}

void reportSent(VerbRun& run, const QJsonObject& what, bool verified)
{
    if (!run.request().json)
        return;
    QJsonObject object = what;
    object.insert(QStringLiteral("verified"), verified);
    run.output().json = object;
}

// Reads back what the set should have changed; exit 4 when it did not take.
void verifySet(VerbRun& run, const Wanted& wanted, const QString& setting)
{
    const QStringList missed = mismatchLines(readBack(run.device(), wanted));
    if (missed.isEmpty())
        return;
    if (run.request().json)
        run.output().json = QJsonObject{{"setting", setting}, {"verified", false},
                                        {"missed", QJsonArray::fromStringList(missed)}};
    fail(kExitNotVerified, QStringLiteral("%1: set %2 did not take: %3")
                               .arg(run.linkId(), setting, missed.join(QStringLiteral("; "))));
}

}  // namespace

SetCheck setInput(const Request&, const QString& value, VerbRun& run)
{
    const Input input = Input(pickSetName("input", inputNames(), value));
    return control::setInput(run.device(), input);
}

SetCheck setPower(const Request&, const QString& value, VerbRun& run)
{
    const Power power = Power(pickSetName("power", powerNames(), value));
    return control::setPower(run.device(), power);
}

SetCheck setOsd(const Request&, const QString& value, VerbRun& run)
{
    const Osd osd = Osd(pickSetName("osd", osdNames(), value));
    return control::setOsd(run.device(), osd);
}

SetCheck setRotation(const Request& r, const QString& value, VerbRun& run)
{
    const Rotation rotation = Rotation(pickSetName("rotation", rotationNames(), value));
    return control::setRotation(run.device(), rotation, !r.noVerify);
}

SetCheck setResolution(const Request&, const QString& value, VerbRun& run)
{
    const std::optional<int32_t> index = pickListed(resolutionLabels(), value);
    if (!index || *index >= resolutionLabels().size())
        usage(QStringLiteral("set resolution takes one of %1 or 0..8, not '%2'")
                  .arg(resolutionLabels().join(QLatin1Char(' ')), value));
    return control::setResolution(run.device(), *index);
}

SetCheck setLayout(const Request&, const QString& value, VerbRun& run)
{
    const QStringList labels = displayModeLabels(run.device().model());
    const std::optional<int> index = pickLabel(labels, value);
    if (!index)
        usage(QStringLiteral("set layout takes one of %1, not '%2'")
                  .arg(labels.isEmpty() ? QStringLiteral("(no model known)") : labels.join(QLatin1Char(' ')), value));
    return control::setLayout(run.device(), *index);
}

SetCheck setMaskVerb(const Request& r, const QString& value, VerbRun& run)
{
    const Mask mask = Mask(pickSetName("mask", maskNames(), value));
    if (mask != Mask::On)
        return control::setMask(run.device(), mask);
    const MaskTenths tenths = maskTenths(run.device(), r.mask);
    if (tenths.refusal != MaskRefusal::None)
        usage(maskRefusal(tenths));
    return control::setMask(run.device(), mask, tenths.state);
}

SetCheck setGpoVerb(const Request&, const QString& value, VerbRun& run)
{
    const GpoChange change = parseGpoValue(value);
    return control::setGpo(run.device(), change);
}

void setVerb(const Request& r, VerbRun& run)
{
    const QString what = r.args.value(0).toLower();
    QStringList names;
    for (const SettingEntry& setting : settingTable()) {
        if (what != QLatin1String(setting.name)) {
            names << QLatin1String(setting.name);
            continue;
        }
        const QString value = r.args.value(1);
        const SetCheck check = setting.run(r, value, run);
        if (check && !r.noVerify)
            verifySet(run, *check, what);
        reportSent(run, QJsonObject{{"setting", what}, {"value", value}}, check && !r.noVerify);
        return;
    }
    usage(QStringLiteral("set takes one of %1, not '%2'").arg(names.join(QStringLiteral(", ")), what));
}

}  // namespace lumivex::ctl
