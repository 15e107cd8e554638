#include "lumivex-ctl/ctl_verbs.h"

#include "link/serial/com_port_map.h"
#include "link/command_table.h"
#include "lumivex-ctl/ctl_errors.h"
#include "lumivex-ctl/device_values.h"
#include "platform/file_replace.h"
#include "lumivex-ctl/fleet_folder.h"
#include "panel/port_list.h"
#include "panel/reply_wait_setting.h"
#include "lumivex-ctl/setup_file.h"
#include "lumivex-ctl/setup_plan.h"
#include "lumivex-ctl/verb_table.h"

#include <QJsonArray>

#include <filesystem>
#include <mutex>

namespace lumivex::ctl {

namespace {

[[noreturn]] void usage(const QString& line)
{
    fail(kExitUsage, line);
}

QString want(const QStringList& names)
{
    return names.join(QLatin1Char('|'));
}

// ZEPTA.ini is one file for every link of a run.
std::mutex& iniWrites()
{
    static std::mutex lock;
    return lock;
}

}  // namespace

Session::Session(const Request& request, std::optional<LinkTarget> target, LinkOutput& output)
    : m_request(request)
    , m_target(std::move(target))
    , m_output(output)
    , m_messages(request.verbose, output.notes)
    , m_ini(request.iniPath.toStdString())
{
    m_messages.setAssumeYes(request.yes);
}

void Session::open()
{
    if (m_opened)
        return;
    if (!m_target)
        usage(QStringLiteral("%1 needs --link ddc|COMn|/dev/... (ports lists them)").arg(m_request.verb));
    m_link.open(*m_target, m_messages);
    m_link.state().setReplyWait(replyWait());
    // A line can lose a byte: a read-back that took no reply is asked once more.
    m_link.state().setReadBackTries(2);
    m_opened = true;
}

void Session::send(const Command& command)
{
    open();
    m_link.state().send(command);
}

int32_t Session::model()
{
    open();
    if (!m_model)
        m_model = readModel(m_link, m_messages);
    return *m_model;
}

Snapshot Session::snapshot()
{
    Snapshot s = readSnapshot(m_link, m_messages, model());
    std::lock_guard lock(iniWrites());
    loadSizes(m_ini, s.display);
    return s;
}

DisplayState Session::display()
{
    open();
    DisplayState state;
    requireRead(readBackDisplay(m_link.state(), m_messages, state), m_link, m_messages);
    return state;
}

SettingState Session::setting(std::optional<GpioBits>& gpio)
{
    open();
    SettingState state;
    // Which model it is decides whether the GPIO read counts.
    const bool gpioShown = modelFeatures(model()).gpio;
    requireRead(readBackSettings(m_link.state(), m_messages, state, gpio), m_link, m_messages,
                gpioShown ? -1 : protocol::kVcpGpio);
    if (!gpioShown)
        gpio.reset();
    return state;
}

void Session::saveSizes(const DisplayState& state)
{
    std::lock_guard lock(iniWrites());
    if (!lumivex::saveSizes(m_ini, state, SizeDigits::Exact)) {
        const std::string tooLarge = m_ini.refusal();
        fail(kExitUsage, tooLarge.empty() ? QStringLiteral("%1: the sizes cannot be written").arg(m_request.iniPath)
                                          : QString::fromStdString(tooLarge));
    }
}

// --wait over the environment over ZEPTA.ini; a refused setting is told
// as a warning and the next one used. None set: the link's own default.
std::optional<std::chrono::milliseconds> Session::replyWait()
{
    if (m_request.replyWait)
        return *m_request.replyWait;
    const ChosenReplyWait chosen = configuredReplyWait(m_ini);
    for (const std::string& problem : chosen.problems)
        m_output.notes << QStringLiteral("warning: %1").arg(QString::fromStdString(problem));
    return chosen.wait;
}

void readVerbInput(Request& request)
{
    // Every verb reads ZEPTA.ini (the reply wait, COM names, the sizes);
    // one too large to read stops the run before a link is opened or a
    // byte of it written.
    if (const std::string refusal = IniProfile(request.iniPath.toStdString()).refusal(); !refusal.empty())
        usage(QString::fromStdString(refusal));
    const QString argument = request.args.value(0);
    const bool folder = isFolderArgument(argument);
    if (request.verb == QLatin1String("save")) {
        if (argument == QLatin1String("-") && request.links.size() > 1)
            usage(QStringLiteral("save - takes one link; for several, name a folder (save walls/ writes one file a link)"));
        if (!folder && request.links.size() > 1)
            usage(QStringLiteral("save with several links takes a folder, such as %1/ (one file a link)").arg(argument));
        // Made once, before the links run, so that its failure is told once.
        if (folder)
            createFleetFolder(argument);
    }
    if (request.verb == QLatin1String("apply")) {
        if (!folder) {
            request.input = readInputText(argument);
            return;
        }
        std::error_code ec;
        if (!std::filesystem::is_directory(argument.toStdString(), ec))
            usage(QStringLiteral("apply: %1: no such folder").arg(argument));
    }
}

void runVerb(const Request& request, const VerbEntry& verb, const std::optional<LinkTarget>& target,
             LinkOutput& output)
{
    Session session(request, target, output);
    verb.run(request, session);
}

namespace {

void requireFeature(bool offered, int32_t model, const QString& what)
{
    if (!offered)
        usage(QStringLiteral("the %1 has no %2").arg(modelNames().value(model), what));
}

// What the device masks, said in the command line's terms; the panel has its own texts.
QString maskRefusal(MaskCheck check, const DisplayState& state, bool fromSizes)
{
    if (check == MaskCheck::CheckParameters)
        return fromSizes ? QStringLiteral("--viewable: these sizes give no mask; the viewable width and height must be above 0")
                         : QStringLiteral("--h and --v give no mask");
    return QStringLiteral("the sizes give a mask of %1 % by %2 %, above the %3 % the device masks; check --bezel and "
                          "--viewable (millimetres, the bezel first)")
        .arg(double(state.hPercent), 0, 'g', 4)
        .arg(double(state.vPercent), 0, 'g', 4)
        .arg(double(kMaxMaskPercent));
}

// The mask's tenths from --h/--v or from the sizes, by the panel's rules.
DisplayState maskFromOptions(const Request& r, Session& session)
{
    DisplayState state;
    const bool fromSizes = r.mask.bezel && r.mask.viewable;
    if (fromSizes) {
        std::tie(state.bezelWidth, state.bezelHeight) = *r.mask.bezel;
        state.viewableWidth = float(r.mask.viewable->first);
        state.viewableHeight = float(r.mask.viewable->second);
    } else {
        state.hPercent = r.mask.h.value_or(0);
        state.vPercent = r.mask.v.value_or(0);
        session.open();
    }
    const int32_t model = fromSizes ? session.model() : -1;
    // Which share of the bezel is masked depends on the model.
    if (fromSizes && model < 0)
        usage(QStringLiteral("the model is unknown, so the sizes give no mask; give --h and --v instead"));
    const MaskCheck check = calculateMask(state, model);
    if (check != MaskCheck::Fine)
        usage(maskRefusal(check, state, fromSizes));
    // Kept for the Display tab, as its Calculate does; a command that
    // fails leaves them as they were.
    if (fromSizes)
        session.saveSizes(state);
    return state;
}

uint8_t setGpo(const QString& value, Session& session)
{
    const std::optional<uint8_t> bits = parseBits(value);
    const QStringList one = value.split(QLatin1Char('='));
    bool numbered = false;
    const int n = one.value(0).toInt(&numbered);
    const std::optional<int> on = one.size() == 2 ? pickName(powerNames(), one[1]) : std::nullopt;
    if (!bits && !(numbered && n >= 1 && n <= 4 && on))
        usage(QStringLiteral("set gpo takes four digits 0|1 (GPO-4 first) or N=on|off with N 1..4, not '%1'").arg(value));
    const int32_t model = session.model();
    requireFeature(modelFeatures(model).gpio, model, QStringLiteral("GPIO"));
    if (bits) {
        session.send(commands::gpo(*bits));
        return *bits;
    }
    std::optional<GpioBits> gpio;
    session.setting(gpio);
    if (!gpio)
        fail(kExitNoAnswer, session.linkId() + QStringLiteral(": the device did not report its GPO bits"));
    const uint8_t outputs = gpoWithBit(gpio->outputs, n - 1, *on == 1);
    session.send(commands::gpo(outputs));
    return outputs;
}

Wanted setMask(const Request& r, Mask mask, Session& session)
{
    DisplayState wanted;
    if (mask == Mask::On)
        wanted = maskFromOptions(r, session);
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

}  // namespace

namespace {

int pick(const char* what, const QStringList& names, const QString& value)
{
    const std::optional<int> index = pickName(names, value);
    if (!index)
        usage(QStringLiteral("set %1 takes %2, not '%3'").arg(QLatin1String(what), want(names), value));
    return *index;
}

}  // namespace

namespace {

// A command the device cannot report: with verification on, the model is
// asked first, so a silent controller is never taken for one that obeyed.
void askBeforeUnreadable(const Request& r, Session& session)
{
    if (!r.noVerify)
        session.model();
}

void reportSent(Session& session, const QJsonObject& what, bool verified)
{
    if (!session.request().json)
        return;
    QJsonObject object = what;
    object.insert(QStringLiteral("verified"), verified);
    session.output().json = object;
}

// Reads back what the set should have changed; exit 4 when it did not take.
void verifySet(Session& session, const Wanted& wanted, const QString& setting)
{
    Snapshot after;
    after.model = session.model();
    after.rotationKnown = !session.link().isDdc();
    if (wanted.input || wanted.power || wanted.osd || wanted.rotation || wanted.gpo)
        after.setting = session.setting(after.gpio);
    if (wanted.resolution || wanted.layout || wanted.mask || wanted.hTenths || wanted.vTenths)
        after.display = session.display();
    const QStringList missed = verify(wanted, after);
    if (missed.isEmpty())
        return;
    if (session.request().json)
        session.output().json = QJsonObject{{"setting", setting}, {"verified", false},
                                            {"missed", QJsonArray::fromStringList(missed)}};
    fail(kExitNotVerified, QStringLiteral("%1: set %2 did not take: %3")
                               .arg(session.linkId(), setting, missed.join(QStringLiteral("; "))));
}

}  // namespace

SetCheck setInput(const Request&, const QString& value, Session& session)
{
    const Input input = Input(pick("input", inputNames(), value));
    if (input != Input::Dvi)
        requireFeature(modelFeatures(session.model()).analogInputs, session.model(), inputNames()[int(input)]);
    session.send(commands::inputSource(int32_t(input)));
    return Wanted{.input = input};
}

SetCheck setPower(const Request&, const QString& value, Session& session)
{
    const Power power = Power(pick("power", powerNames(), value));
    session.send(commands::power(int32_t(power)));
    return Wanted{.power = power};
}

SetCheck setOsd(const Request&, const QString& value, Session& session)
{
    const Osd osd = Osd(pick("osd", osdNames(), value));
    session.send(commands::osdMode(osdModeFor(osd)));
    return Wanted{.osd = osd};
}

SetCheck setRotation(const Request& r, const QString& value, Session& session)
{
    const Rotation rotation = Rotation(pick("rotation", rotationNames(), value));
    session.open();
    // DDC/CI reads the OSD lock at this code, never the rotation.
    const bool unreadable = session.link().isDdc();
    if (unreadable)
        askBeforeUnreadable(r, session);
    session.send(commands::osdMode(osdModeFor(rotation)));
    if (unreadable)
        return std::nullopt;
    return Wanted{.rotation = rotation};
}

SetCheck setResolution(const Request&, const QString& value, Session& session)
{
    const std::optional<int32_t> index = pickListed(resolutionLabels(), value);
    if (!index || *index >= resolutionLabels().size())
        usage(QStringLiteral("set resolution takes one of %1 or 0..8, not '%2'")
                  .arg(resolutionLabels().join(QLatin1Char(' ')), value));
    session.send(commands::resolution(*index, session.display().displayMode));
    return Wanted{.resolution = *index};
}

SetCheck setLayout(const Request&, const QString& value, Session& session)
{
    const int32_t model = session.model();
    const QStringList labels = displayModeLabels(model);
    const std::optional<int> index = pickLabel(labels, value);
    if (!index)
        usage(QStringLiteral("set layout takes one of %1, not '%2'")
                  .arg(labels.isEmpty() ? QStringLiteral("(no model known)") : labels.join(QLatin1Char(' ')), value));
    session.send(commands::displayMode(session.display().resolution, *index));
    return Wanted{.layout = *index};
}

SetCheck setMaskVerb(const Request& r, const QString& value, Session& session)
{
    return setMask(r, Mask(pick("mask", maskNames(), value)), session);
}

SetCheck setGpoVerb(const Request&, const QString& value, Session& session)
{
    return Wanted{.gpo = setGpo(value, session)};
}

void setVerb(const Request& r, Session& session)
{
    const QString what = r.args.value(0).toLower();
    QStringList names;
    for (const SettingEntry& setting : settingTable()) {
        if (what != QLatin1String(setting.name)) {
            names << QLatin1String(setting.name);
            continue;
        }
        const QString value = r.args.value(1);
        const SetCheck check = setting.run(r, value, session);
        if (check && !r.noVerify)
            verifySet(session, *check, what);
        reportSent(session, QJsonObject{{"setting", what}, {"value", value}}, check && !r.noVerify);
        return;
    }
    usage(QStringLiteral("set takes one of %1, not '%2'").arg(names.join(QStringLiteral(", ")), what));
}

void portsVerb(const Request& r, Session& session)
{
    const PortListing listing = listPorts();
    if (listing.deniedCount > 0)
        session.output().notes << QStringLiteral("%1 left out: no permission; %2")
                                      .arg(listing.deniedCount == 1 ? QStringLiteral("1 port")
                                                                    : QStringLiteral("%1 ports").arg(listing.deniedCount),
                                           QString::fromStdString(listing.advice));
    // A [Ports] entry no name reaches is said, never dropped in silence.
    const std::vector<IgnoredPortsEntry> ignored = ignoredPortsEntries(IniProfile(r.iniPath.toStdString()).readSection("Ports"));
    if (r.verbose) {
        for (const IgnoredPortsEntry& entry : ignored)
            session.output().notes << QStringLiteral("%1: [Ports] %2=%3 is ignored: %4")
                                          .arg(r.iniPath, QString::fromStdString(entry.key),
                                               QString::fromStdString(entry.value), QString::fromStdString(entry.reason));
    } else if (!ignored.empty()) {
        session.output().notes << QStringLiteral("%1: %2 of [Ports] ignored; ports -v says why")
                                      .arg(r.iniPath, ignored.size() == 1 ? QStringLiteral("1 entry")
                                                                          : QStringLiteral("%1 entries").arg(ignored.size()));
    }
    // What each COM name opens: a device, or a serial device server.
    QJsonObject targets;
    QString text;
    for (const QString& link : listing.links) {
        const bool com = link != QLatin1String(kDdcLinkName);
        const QString target = com ? QString::fromStdString(ComPortMap::global().resolve(link.toStdString())) : QString();
        if (com)
            targets.insert(link, target);
        text += r.verbose && com ? QStringLiteral("%1 %2\n").arg(link, -7).arg(target) : link + QLatin1Char('\n');
    }
    if (r.json) {
        QJsonArray ignoredJson;
        for (const IgnoredPortsEntry& entry : ignored)
            ignoredJson.append(QJsonObject{{"key", QString::fromStdString(entry.key)},
                                           {"value", QString::fromStdString(entry.value)},
                                           {"reason", QString::fromStdString(entry.reason)}});
        session.output().json = QJsonObject{{"ports", QJsonArray::fromStringList(listing.links)},
                                            {"targets", targets},
                                            {"ignored", ignoredJson},
                                            {"leftOutForPermission", listing.deniedCount}};
    } else {
        session.print(text);
    }
}

void modelVerb(const Request& r, Session& session)
{
    const int32_t model = session.model();
    const QString name = model >= 0 ? modelNames()[model] : QStringLiteral("unknown");
    if (r.json)
        session.output().json = QJsonObject{{"model", model >= 0 ? QJsonValue(name) : QJsonValue()}};
    else
        session.print(name + QLatin1Char('\n'));
}

void statusVerb(const Request& r, Session& session)
{
    const Snapshot s = session.snapshot();
    if (r.json)
        session.output().json = statusJson(s, session.linkId());
    else
        session.print(statusText(s));
}

void identifyVerb(const Request& r, Session& session)
{
    askBeforeUnreadable(r, session);
    session.send(commands::identify());
    reportSent(session, {}, false);
}

void autoAdjustVerb(const Request&, Session& session)
{
    const int32_t model = session.model();
    requireFeature(modelFeatures(model).autoAdjust, model, QStringLiteral("auto adjust"));
    const Snapshot s = session.snapshot();
    const AutoAdjustCheck check = checkAutoAdjust(session.link().state(), s.setting.inputSource, s.display.displayMode);
    if (check != AutoAdjustCheck::Ask)
        usage(autoAdjustMessage(check));
    session.send(commands::autoAdjust());
    reportSent(session, {}, false);
}

void resetVerb(const Request& r, Session& session)
{
    // Asked before anything is opened: without --yes nothing is touched.
    if (!session.messages().askYesNo(QString::fromLatin1(setting_messages::kFactoryReset)))
        session.messages().throwIfProblem(kExitUsage);
    askBeforeUnreadable(r, session);
    session.send(commands::factoryReset());
    reportSent(session, {}, false);
}

void saveVerb(const Request& r, Session& session)
{
    QString path = r.args[0];
    if (isFolderArgument(path))
        path = fleetFilePath(path, session.linkId());
    const QString text = setupFileText(session.snapshot(), session.linkId());
    // "-" is standard output; main() reports a failed write there. JSON
    // carries the text instead, so that stdout stays one object a line.
    if (path == QLatin1String("-")) {
        if (r.json)
            session.output().json = QJsonObject{{"setup", text}};
        else
            session.print(text);
        return;
    }
    const std::string why = replaceFileText(path.toStdString(), text.toStdString());
    if (!why.empty())
        usage(QStringLiteral("%1: %2").arg(path, QString::fromStdString(why)));
    if (r.json)
        session.output().json = QJsonObject{{"file", path}};
    else if (r.links.size() > 1)
        session.print(QStringLiteral("saved %1\n").arg(path));
}

// Sends only what differs from the device, then reads everything back.
void applyVerb(const Request& r, Session& session)
{
    // A folder holds one file a link; a link without one fails alone.
    const bool folder = isFolderArgument(r.args[0]);
    const QString path = folder ? fleetFilePath(r.args[0], session.linkId()) : r.args[0];
    const SetupFile setup = parseSetupFile(setupFileName(path), folder ? readInputText(path) : r.input);
    if (isEmpty(setup))
        usage(QStringLiteral("%1: nothing to apply (none of the keys save writes)").arg(setup.path));
    const Snapshot before = session.snapshot();
    const Plan p = plan(setup, before, session.link().isDdc());
    if (p.refusal)
        usage(*p.refusal);
    for (const Step& step : p.steps) {
        if (step.command)
            session.send(*step.command);
        else
            session.saveSizes(*p.sizes);
    }
    const QStringList changed = p.changedFields();
    if (r.verbose)
        session.output().notes << QStringLiteral("changed: %1")
                                      .arg(changed.isEmpty() ? QStringLiteral("nothing") : changed.join(QStringLiteral(", ")));
    const QStringList missed = p.changes() ? verify(p.wanted, session.snapshot()) : QStringList();
    const bool rotationUnread = p.wanted.rotation && session.link().isDdc();
    const QString result = !missed.isEmpty() ? QStringLiteral("not verified")
                         : p.changes()       ? QStringLiteral("applied and verified")
                                             : QStringLiteral("unchanged");
    if (r.json) {
        session.output().json = QJsonObject{{"result", result},
                                            {"changed", QJsonArray::fromStringList(changed)},
                                            {"missed", QJsonArray::fromStringList(missed)}};
    } else if (missed.isEmpty()) {
        session.print(rotationUnread ? result + QStringLiteral(" (rotation sent; DDC/CI cannot read it back)\n")
                                     : result + QLatin1Char('\n'));
    } else {
        session.print(missed.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    }
    if (!missed.isEmpty())
        fail(kExitNotVerified, QStringLiteral("%1: %2 of the set-up did not take on %3")
                                   .arg(setup.path,
                                        missed.size() == 1 ? QStringLiteral("1 field") : QStringLiteral("%1 fields").arg(missed.size()),
                                        session.linkId()));
}

}  // namespace lumivex::ctl
