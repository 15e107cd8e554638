#include "ctl_verbs.h"

#include "command_table.h"
#include "file_replace.h"
#include "ctl_device.h"
#include "ctl_errors.h"
#include "ctl_messages.h"
#include "ini_profile.h"
#include "port_list.h"
#include "reply_wait_setting.h"
#include "setup_file.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace lumivex::ctl {

namespace {

void print(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
}

void printJson(const QJsonObject& object)
{
    print(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)));
}

[[noreturn]] void usage(const QString& line)
{
    fail(kExitUsage, line);
}

QString want(const QStringList& names)
{
    return names.join(QLatin1Char('|'));
}

// One verb's run: the link, the messages and ZEPTA.ini.
class Session {
public:
    explicit Session(const Request& request)
        : m_request(request)
        , m_messages(request.verbose)
        , m_ini(request.iniPath.toStdString())
    {
        m_messages.setAssumeYes(request.yes);
    }

    void open()
    {
        if (!m_request.link)
            usage(QStringLiteral("%1 needs --link ddc|COMn|/dev/...").arg(m_request.verb));
        m_link.open(*m_request.link, m_messages);
        m_link.state().setReplyWait(replyWait());
    }

    void send(const Command& command) { m_link.state().send(command); }
    int32_t model() { return readModel(m_link, m_messages); }
    Snapshot snapshot(bool withModel) { return readSnapshot(m_link, m_messages, m_ini, withModel); }
    DisplayState display()
    {
        DisplayState state;
        readBackDisplay(m_link.state(), m_messages, state);
        m_messages.throwIfProblem();
        return state;
    }
    SettingState setting(std::optional<GpioBits>& gpio)
    {
        SettingState state;
        readBackSettings(m_link.state(), m_messages, state, gpio);
        m_messages.throwIfProblem();
        return state;
    }

    void saveSizes(const DisplayState& state)
    {
        if (!lumivex::saveSizes(m_ini, state))
            fail(kExitUsage, QStringLiteral("%1: the sizes cannot be written").arg(m_request.iniPath));
    }

    CtlLink& link() { return m_link; }
    CtlMessages& messages() { return m_messages; }
    IniProfile& ini() { return m_ini; }
    QString linkName() const { return m_request.link ? m_request.link->name : QString(); }
    bool verbose() const { return m_request.verbose; }

private:
    // --wait over the environment over ZEPTA.ini; a refused setting is
    // told on stderr and the next one used.
    std::chrono::milliseconds replyWait()
    {
        if (m_request.replyWait)
            return *m_request.replyWait;
        const ChosenReplyWait chosen = configuredReplyWait(m_ini);
        for (const std::string& problem : chosen.problems)
            std::fprintf(stderr, "lumivex-ctl: warning: %s\n", problem.c_str());
        return chosen.wait;
    }

    const Request& m_request;
    CtlMessages m_messages;
    IniProfile m_ini;
    CtlLink m_link;
};

void requireFeature(bool offered, int32_t model, const QString& what)
{
    if (!offered)
        usage(QStringLiteral("the %1 has no %2").arg(modelNames().value(model), what));
}

std::pair<double, double> pair(const QString& option, const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    bool a = false;
    bool b = false;
    const double first = parts.value(0).toDouble(&a);
    const double second = parts.value(1).toDouble(&b);
    if (parts.size() != 2 || !a || !b || !(first >= 0 && first <= kMaxSize) || !(second >= 0 && second <= kMaxSize))
        usage(QStringLiteral("--%1 takes W,H in millimetres from 0 to %2, not '%3'").arg(option).arg(kMaxSize).arg(text));
    return {first, second};
}

// The mask's tenths from --h/--v or from the sizes, by the panel's rules.
DisplayState maskFromOptions(const Request& r, Session& session)
{
    DisplayState state;
    if (r.h && r.v && !r.bezel && !r.viewable) {
        bool a = false;
        bool b = false;
        state.hPercent = r.h->toFloat(&a);
        state.vPercent = r.v->toFloat(&b);
        if (!a || !b)
            usage(QStringLiteral("--h and --v take percentages"));
        session.open();
        if (const MaskCheck check = calculateMask(state, -1); check != MaskCheck::Fine)
            usage(maskCheckMessage(check));
        return state;
    }
    if (r.bezel && r.viewable && !r.h && !r.v) {
        std::tie(state.bezelWidth, state.bezelHeight) = pair(QStringLiteral("bezel"), *r.bezel);
        const auto [vw, vh] = pair(QStringLiteral("viewable"), *r.viewable);
        state.viewableWidth = float(vw);
        state.viewableHeight = float(vh);
        session.open();
        const MaskCheck check = calculateMask(state, session.model());
        if (check != MaskCheck::Fine)
            usage(maskCheckMessage(check));
        // Kept for the Display tab, as its Calculate does; a command that
        // fails leaves them as they were.
        session.saveSizes(state);
        return state;
    }
    usage(QStringLiteral("set mask on takes --h PERCENT --v PERCENT, or --bezel W,H --viewable W,H"));
}

void setVerb(const Request& r, Session& session)
{
    const QString what = r.args.value(0).toLower();
    const QString value = r.args.value(1);
    if (r.args.size() != 2)
        usage(QStringLiteral("set takes a setting and one value: input, power, osd, rotation, gpo, resolution, "
                             "layout or mask"));
    const auto pick = [&](const QStringList& names) {
        const std::optional<int> index = pickName(names, value);
        if (!index)
            usage(QStringLiteral("set %1 takes %2, not '%3'").arg(what, want(names), value));
        return *index;
    };
    if (what == QLatin1String("input")) {
        const int input = pick(inputNames());
        session.open();
        if (input != 2)
            requireFeature(modelFeatures(session.model()).analogInputs, session.model(), inputNames()[input]);
        session.send(commands::inputSource(input));
    } else if (what == QLatin1String("power")) {
        const int power = pick(powerNames());
        session.open();
        session.send(commands::power(power));
    } else if (what == QLatin1String("osd")) {
        const int lock = pick(osdNames());
        session.open();
        session.send(commands::osdMode(lock));
    } else if (what == QLatin1String("rotation")) {
        const int rotation = pick(rotationNames());
        session.open();
        session.send(commands::osdMode(2 + rotation));
    } else if (what == QLatin1String("gpo")) {
        const std::optional<uint8_t> bits = parseBits(value);
        const QStringList one = value.split(QLatin1Char('='));
        bool numbered = false;
        const int n = one.value(0).toInt(&numbered);
        const std::optional<int> on = one.size() == 2 ? pickName(powerNames(), one[1]) : std::nullopt;
        if (!bits && !(numbered && n >= 1 && n <= 4 && on))
            usage(QStringLiteral("set gpo takes four digits 0|1 (GPO-4 first) or N=on|off with N 1..4, not '%1'")
                      .arg(value));
        session.open();
        const int32_t model = session.model();
        requireFeature(modelFeatures(model).gpio, model, QStringLiteral("GPIO"));
        if (bits) {
            session.send(commands::gpo(*bits));
            return;
        }
        std::optional<GpioBits> gpio;
        session.setting(gpio);
        if (!gpio)
            fail(kExitNoAnswer, session.linkName() + QStringLiteral(": the device did not report its GPO bits"));
        session.send(commands::gpo(gpoWithBit(gpio->outputs, n - 1, *on == 1)));
    } else if (what == QLatin1String("resolution")) {
        const std::optional<int> index = pickLabel(resolutionLabels(), value);
        if (!index)
            usage(QStringLiteral("set resolution takes one of %1 or 0..8, not '%2'")
                      .arg(resolutionLabels().join(QLatin1Char(' ')), value));
        session.open();
        session.send(commands::resolution(*index, session.display().displayMode));
    } else if (what == QLatin1String("layout")) {
        session.open();
        const int32_t model = session.model();
        const QStringList labels = displayModeLabels(model);
        const std::optional<int> index = pickLabel(labels, value);
        if (!index)
            usage(QStringLiteral("set layout takes one of %1, not '%2'")
                      .arg(labels.isEmpty() ? QStringLiteral("(no model known)") : labels.join(QLatin1Char(' ')),
                           value));
        session.send(commands::displayMode(session.display().resolution, *index));
    } else if (what == QLatin1String("mask")) {
        const int on = pick(maskNames());
        DisplayState wanted;
        if (on)
            wanted = maskFromOptions(r, session);
        else
            session.open();
        // The device's layout goes with the mask; off keeps its tenths.
        const DisplayState now = session.display();
        if (!on) {
            wanted.hTenths = now.hTenths;
            wanted.vTenths = now.vTenths;
        }
        session.send(commands::bezelMask(now.displayMode, wanted.hTenths, wanted.vTenths, on == 1));
    } else {
        usage(QStringLiteral("unknown setting '%1'").arg(what));
    }
}

void autoAdjust(Session& session)
{
    session.open();
    const int32_t model = session.model();
    requireFeature(modelFeatures(model).autoAdjust, model, QStringLiteral("auto adjust"));
    const Snapshot s = session.snapshot(false);
    const AutoAdjustCheck check = checkAutoAdjust(session.link().state(), s.setting.inputSource, s.display.displayMode);
    if (check != AutoAdjustCheck::Ask)
        usage(autoAdjustMessage(check));
    session.send(commands::autoAdjust());
}

void save(const Request& r, Session& session)
{
    if (r.args.size() != 1)
        usage(QStringLiteral("save takes one file name"));
    session.open();
    const QString text = setupFileText(session.snapshot(true), session.linkName());
    // "-" is standard output; main() reports a failed write there.
    if (r.args[0] == QLatin1String("-")) {
        print(text);
        return;
    }
    const std::string why = replaceFileText(r.args[0].toStdString(), text.toStdString());
    if (!why.empty())
        usage(QStringLiteral("%1: %2").arg(r.args[0], QString::fromStdString(why)));
}


// Sends only what differs from the device, then reads everything back.
void applySetup(const SetupFile& f, Session& session)
{
    const int32_t model = session.model();
    const Snapshot before = session.snapshot(false);
    const ModelFeatures features = modelFeatures(model);
    const auto bad = [&f](int line, const QString& text) { usage(fileLine(f.path, line, text)); };
    const QString modelName = modelNames().value(model, QStringLiteral("unknown model"));
    if (f.model.value && model >= 0 && *f.model.value != model)
        bad(f.model.line, QStringLiteral("saved from a %1; the device on %2 is a %3")
                              .arg(modelNames()[*f.model.value], session.linkName(), modelName));
    if (f.input.value && *f.input.value != 2 && !features.analogInputs)
        bad(f.input.line, QStringLiteral("the %1 has only the DVI input").arg(modelName));
    if (f.gpo.value && !features.gpio)
        bad(f.gpo.line, QStringLiteral("the %1 has no GPIO").arg(modelName));
    const auto label = [&](const Field<QString>& field, const QStringList& labels, const char* key) {
        std::optional<int> index;
        if (field.value && !(index = pickLabel(labels, *field.value)))
            bad(field.line, QStringLiteral("bad value '%1' for %2: %3")
                                .arg(*field.value, QLatin1String(key),
                                     labels.isEmpty() ? QStringLiteral("no model known") : labels.join(QStringLiteral(", "))));
        return index;
    };
    const std::optional<int> resolution = label(f.resolution, resolutionLabels(), "resolution");
    const std::optional<int> layout = label(f.layout, displayModeLabels(model), "layout");

    const SettingState& was = before.setting;
    const DisplayState& shown = before.display;
    const int wantResolution = resolution.value_or(shown.resolution);
    const int wantLayout = layout.value_or(shown.displayMode);
    const int wantMask = f.mask.value.value_or(shown.maskMode);
    const int32_t wantH = f.hTenths.value.value_or(shown.hTenths);
    const int32_t wantV = f.vTenths.value.value_or(shown.vTenths);
    const bool ddc = session.link().isDdc();
    QStringList changed;
    const auto differs = [](const auto& field, auto now) { return field.value && *field.value != now; };
    const auto send = [&](const char* what, const Command& command) {
        changed << QLatin1String(what);
        session.send(command);
    };

    // A wall that is off is switched on first and off last.
    if (differs(f.power, was.power) && *f.power.value == 1)
        send("power", commands::power(1));
    if (differs(f.input, was.inputSource))
        send("input", commands::inputSource(*f.input.value));
    const bool resolutionDiffers = wantResolution != shown.resolution;
    if (resolutionDiffers)
        send("resolution", commands::resolution(wantResolution, wantLayout));
    // On the serial line one frame carries both.
    if (wantLayout != shown.displayMode && (ddc || !resolutionDiffers))
        send("layout", commands::displayMode(wantResolution, wantLayout));
    if (wantMask != shown.maskMode || wantH != shown.hTenths || wantV != shown.vTenths)
        send("mask", commands::bezelMask(wantLayout, wantH, wantV, wantMask == 1));
    if (differs(f.osd, was.osdLock))
        send("osd", commands::osdMode(*f.osd.value));
    // DDC/CI cannot read the rotation back: what the file says is sent.
    if (f.rotation.value && (ddc || *f.rotation.value != was.rotation))
        send("rotation", commands::osdMode(2 + *f.rotation.value));
    if (f.gpo.value && (!before.gpio || *f.gpo.value != before.gpio->outputs))
        send("gpo", commands::gpo(*f.gpo.value));
    DisplayState sizes = shown;
    std::array<double, 4> wantSizes{shown.bezelWidth, shown.viewableWidth, shown.bezelHeight, shown.viewableHeight};
    for (size_t i = 0; i < wantSizes.size(); ++i)
        if (f.sizes[i].value)
            wantSizes[i] = *f.sizes[i].value;
    sizes.bezelWidth = wantSizes[0];
    sizes.viewableWidth = float(wantSizes[1]);
    sizes.bezelHeight = float(wantSizes[2]);
    sizes.viewableHeight = float(wantSizes[3]);
    const auto sizeText = [](const DisplayState& d) {
        return formatSize(d.bezelWidth) + formatSize(d.viewableWidth) + formatSize(d.bezelHeight)
             + formatSize(d.viewableHeight);
    };
    if (sizeText(sizes) != sizeText(shown)) {
        changed << QStringLiteral("sizes");
        session.saveSizes(sizes);
    }
    if (differs(f.power, was.power) && *f.power.value == 0)
        send("power", commands::power(0));
    if (session.verbose())
        std::fprintf(stderr, "changed: %s\n", qPrintable(changed.isEmpty() ? QStringLiteral("nothing") : changed.join(QStringLiteral(", "))));

    const Snapshot after = session.snapshot(false);
    QStringList missed;
    const auto check = [&](const char* key, bool given, const QString& wanted, const QString& got) {
        if (given && wanted != got)
            missed << QStringLiteral("%1: wanted %2, read back %3").arg(QLatin1String(key), wanted, got);
    };
    const auto name = [](const QStringList& names, int i) { return names.value(i, QString::number(i)); };
    const SettingState& now = after.setting;
    check("input", bool(f.input.value), name(inputNames(), f.input.value.value_or(0)), name(inputNames(), now.inputSource));
    check("power", bool(f.power.value), name(powerNames(), f.power.value.value_or(0)), name(powerNames(), now.power));
    check("osd", bool(f.osd.value), name(osdNames(), f.osd.value.value_or(0)), name(osdNames(), now.osdLock));
    check("rotation", f.rotation.value && after.rotationKnown, name(rotationNames(), f.rotation.value.value_or(0)),
          name(rotationNames(), now.rotation));
    check("gpo", bool(f.gpo.value), bitsText(f.gpo.value.value_or(0)),
          after.gpio ? bitsText(after.gpio->outputs) : QStringLiteral("no GPO report"));
    check("resolution", bool(resolution), name(resolutionLabels(), wantResolution),
          name(resolutionLabels(), after.display.resolution));
    check("layout", bool(layout), name(displayModeLabels(model), wantLayout),
          name(displayModeLabels(model), after.display.displayMode));
    check("mask", bool(f.mask.value), name(maskNames(), wantMask), name(maskNames(), after.display.maskMode));
    check("h", bool(f.hTenths.value), QString::number(wantH / 10.0, 'f', 1),
          QString::number(after.display.hTenths / 10.0, 'f', 1));
    check("v", bool(f.vTenths.value), QString::number(wantV / 10.0, 'f', 1),
          QString::number(after.display.vTenths / 10.0, 'f', 1));
    const std::array<double, 4> gotSizes{after.display.bezelWidth, after.display.viewableWidth,
                                         after.display.bezelHeight, after.display.viewableHeight};
    for (size_t i = 0; i < gotSizes.size(); ++i)
        check(kSizeKeys[i], bool(f.sizes[i].value), QString::fromStdString(formatSize(wantSizes[i])).trimmed(),
              QString::fromStdString(formatSize(gotSizes[i])).trimmed());
    if (missed.isEmpty()) {
        const bool unread = f.rotation.value && !after.rotationKnown;
        print(unread ? QStringLiteral("applied and verified (rotation sent; DDC/CI cannot read it back)\n")
                     : QStringLiteral("applied and verified\n"));
        return;
    }
    print(missed.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    fail(kExitNotVerified, QStringLiteral("%1: %2 of the set-up did not take on %3")
                               .arg(f.path, missed.size() == 1 ? QStringLiteral("1 field") : QStringLiteral("%1 fields").arg(missed.size()),
                                    session.linkName()));
}

}  // namespace

void runVerb(const Request& r)
{
    Session session(r);
    if (r.verb == QLatin1String("ports")) {
        const QStringList links = availableLinks();
        if (r.json)
            printJson(QJsonObject{{"ports", QJsonArray::fromStringList(links)}});
        else
            print(links.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    } else if (r.verb == QLatin1String("model")) {
        session.open();
        const int32_t model = session.model();
        const QString name = model >= 0 ? modelNames()[model] : QStringLiteral("unknown");
        if (r.json)
            printJson(QJsonObject{{"model", model >= 0 ? QJsonValue(name) : QJsonValue()}});
        else
            print(name + QLatin1Char('\n'));
    } else if (r.verb == QLatin1String("status")) {
        session.open();
        // Over DDC/CI the model is one VCP read; on the serial line it would
        // be a third wait, so there it is left to "model".
        const Snapshot s = session.snapshot(session.link().isDdc());
        if (r.json)
            printJson(statusJson(s, session.linkName()));
        else
            print(statusText(s));
    } else if (r.verb == QLatin1String("set")) {
        setVerb(r, session);
    } else if (r.verb == QLatin1String("identify")) {
        session.open();
        session.send(commands::identify());
    } else if (r.verb == QLatin1String("auto-adjust")) {
        autoAdjust(session);
    } else if (r.verb == QLatin1String("reset")) {
        // Asked before anything is opened: without --yes nothing is touched.
        if (!session.messages().askYesNo(QString::fromLatin1(setting_messages::kFactoryReset)))
            session.messages().throwIfProblem();
        session.open();
        session.send(commands::factoryReset());
    } else if (r.verb == QLatin1String("save")) {
        save(r, session);
    } else if (r.verb == QLatin1String("apply")) {
        if (r.args.size() != 1)
            usage(QStringLiteral("apply takes one file name"));
        const SetupFile setup = readSetupFile(r.args[0]);
        if (isEmpty(setup))
            usage(QStringLiteral("%1: nothing to apply (none of the keys save writes)").arg(r.args[0]));
        session.open();
        applySetup(setup, session);
    } else {
        usage(QStringLiteral("unknown verb '%1' (see --help)").arg(r.verb));
    }
}

}  // namespace lumivex::ctl
