#include "control/settings.h"

#include "control/outcome.h"
#include "control/session.h"
#include "link/command_table.h"

namespace lumivex::control {

namespace {

void requireFeature(bool offered, int32_t model, const QString& what)
{
    if (!offered)
        fail(kExitUsage, QStringLiteral("the %1 has no %2").arg(modelNames().value(model), what));
}

}  // namespace

SetCheck setInput(Session& session, Input input)
{
    if (input != Input::Dvi)
        requireFeature(modelFeatures(session.model()).analogInputs, session.model(), inputNames()[int(input)]);
    session.send(commands::inputSource(int32_t(input)));
    return Wanted{.input = input};
}

SetCheck setPower(Session& session, Power power)
{
    session.send(commands::power(int32_t(power)));
    return Wanted{.power = power};
}

SetCheck setOsd(Session& session, Osd osd)
{
    session.send(commands::osdMode(osdModeFor(osd)));
    return Wanted{.osd = osd};
}

SetCheck setRotation(Session& session, Rotation rotation, bool verify)
{
    session.open();
    // DDC/CI reads the OSD lock at this code, never the rotation.
    const bool unreadable = session.link().isDdc();
    if (unreadable && verify)
        session.model();
    session.send(commands::osdMode(osdModeFor(rotation)));
    if (unreadable)
        return std::nullopt;
    return Wanted{.rotation = rotation};
}

SetCheck setGpo(Session& session, const GpoChange& change)
{
    const int32_t model = session.model();
    requireFeature(modelFeatures(model).gpio, model, QStringLiteral("GPIO"));
    if (change.bits) {
        session.send(commands::gpo(*change.bits));
        return Wanted{.gpo = *change.bits};
    }
    std::optional<GpioBits> gpio;
    session.setting(gpio);
    if (!gpio)
        fail(kExitNoAnswer, session.linkId() + QStringLiteral(": the device did not report its GPO bits"));
    const uint8_t outputs = gpoWithBit(gpio->outputs, change.output - 1, change.on);
    session.send(commands::gpo(outputs));
    return Wanted{.gpo = outputs};
}

SetCheck setResolution(Session& session, int32_t index)
{
    session.send(commands::resolution(index, session.display().displayMode));
    return Wanted{.resolution = index};
}

SetCheck setLayout(Session& session, int32_t index)
{
    session.send(commands::displayMode(session.display().resolution, index));
    return Wanted{.layout = index};
}

MaskTenths maskTenths(Session& session, const MaskRequest& r)
{
    MaskTenths m;
    const bool fromSizes = r.bezel && r.viewable;
    if (fromSizes) {
        std::tie(m.state.bezelWidth, m.state.bezelHeight) = *r.bezel;
        m.state.viewableWidth = float(r.viewable->first);
        m.state.viewableHeight = float(r.viewable->second);
    } else {
        m.state.hPercent = r.h.value_or(0);
        m.state.vPercent = r.v.value_or(0);
        session.open();
    }
    const int32_t model = fromSizes ? session.model() : -1;
    if (fromSizes && model < 0) {
        m.refusal = MaskRefusal::ModelUnknown;
        return m;
    }
    const MaskCheck check = calculateMask(m.state, model);
    if (check == MaskCheck::CheckParameters)
        m.refusal = fromSizes ? MaskRefusal::NoMaskFromSizes : MaskRefusal::NoMaskFromPercent;
    else if (check != MaskCheck::Fine)
        m.refusal = MaskRefusal::AboveLimit;
    // A command that fails later leaves them as they were.
    else if (fromSizes)
        session.saveSizes(m.state);
    return m;
}

SetCheck setMask(Session& session, Mask mask, const DisplayState& tenths)
{
    DisplayState wanted = tenths;
    // The device's layout goes with the mask; off keeps its tenths.
    const DisplayState now = session.display();
    if (mask == Mask::Off) {
        wanted.hTenths = now.hTenths;
        wanted.vTenths = now.vTenths;
    }
    const Command command = commands::bezelMask(now.displayMode, wanted.hTenths, wanted.vTenths, mask == Mask::On);
    session.send(command);
    // The tenths as the command carries them, each kept to its field.
    Wanted check;
    check.mask = mask;
    if (session.link().isDdc()) {
        const protocol::MaskValue sent = protocol::decodeMaskVcp(command.vcpValue);
        check.hTenths = sent.hTenths;
        check.vTenths = sent.vTenths;
    } else {
        check.hTenths = command.serialValues()[1];
        check.vTenths = command.serialValues()[2];
    }
    return check;
}

std::vector<Mismatch> readBack(Session& session, const Wanted& wanted)
{
    Snapshot after;
    after.model = session.model();
    after.rotationKnown = !session.link().isDdc();
    if (wanted.input || wanted.power || wanted.osd || wanted.rotation || wanted.gpo)
        after.setting = session.setting(after.gpio);
    if (wanted.resolution || wanted.layout || wanted.mask || wanted.hTenths || wanted.vTenths)
        after.display = session.display();
    return verify(wanted, after);
}

}  // namespace lumivex::control
