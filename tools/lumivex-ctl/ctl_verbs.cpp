#include "lumivex-ctl/ctl_verbs.h"

#include "control/apply.h"
#include "control/device_commands.h"
#include "control/outcome.h"
#include "control/setup_file.h"
#include "link/serial/com_port_map.h"
#include "lumivex-ctl/fleet_folder.h"
#include "lumivex-ctl/status_output.h"
#include "lumivex-ctl/verb_table.h"
#include "panel/port_list.h"
#include "platform/file_replace.h"
#include "platform/ini_profile.h"

#include <QJsonArray>

#include <filesystem>

namespace lumivex::ctl {

using namespace control;

namespace {

[[noreturn]] void usage(const QString& line)
{
    fail(kExitUsage, line);
}

SessionOptions sessionOptions(const Request& r)
{
    return SessionOptions{r.verbose, r.yes, r.iniPath, r.replyWait, {}};
}

// What the commands that cannot be read back say with --json.
void reportSent(VerbRun& run)
{
    if (run.request().json)
        run.output().json = QJsonObject{{"verified", false}};
}

QString applyResultText(ApplyOutcome outcome)
{
    switch (outcome) {
    case ApplyOutcome::Unchanged:
        return QStringLiteral("unchanged");
    case ApplyOutcome::AppliedAndVerified:
        return QStringLiteral("applied and verified");
    case ApplyOutcome::NotVerified:
        break;
    }
    return QStringLiteral("not verified");
}

}  // namespace

VerbRun::VerbRun(const Request& request, const std::optional<LinkTarget>& target, LinkOutput& output,
                 std::function<HeldLink(const LinkTarget&)> throughService)
    : m_request(request)
    , m_output(output)
{
    if (target) {
        SessionOptions options = sessionOptions(request);
        options.throughService = std::move(throughService);
        m_device.emplace(options, *target, output.notes);
    }
}

Session& VerbRun::device()
{
    if (!m_device)
        usage(QStringLiteral("%1 needs --link ddc|COMn|/dev/... (ports lists them), -c NAME or --all").arg(m_request.verb));
    return *m_device;
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
             LinkOutput& output, std::function<HeldLink(const LinkTarget&)> throughService)
{
    VerbRun run(request, target, output, std::move(throughService));
    verb.run(request, run);
}

void portsVerb(const Request& r, VerbRun& run)
{
    const PortListing listing = listPorts();
    if (listing.deniedCount > 0)
        run.output().notes << QStringLiteral("%1 left out: no permission; %2")
                                      .arg(listing.deniedCount == 1 ? QStringLiteral("1 port")
                                                                    : QStringLiteral("%1 ports").arg(listing.deniedCount),
                                           QString::fromStdString(listing.advice));
    // A [Ports] entry no name reaches is said, never dropped in silence.
    const std::vector<IgnoredPortsEntry> ignored = ignoredPortsEntries(IniProfile(r.iniPath.toStdString()).readSection("Ports"));
    if (r.verbose) {
        for (const IgnoredPortsEntry& entry : ignored)
            run.output().notes << QStringLiteral("%1: [Ports] %2=%3 is ignored: %4")
                                          .arg(r.iniPath, QString::fromStdString(entry.key),
                                               QString::fromStdString(entry.value), QString::fromStdString(entry.reason));
    } else if (!ignored.empty()) {
        run.output().notes << QStringLiteral("%1: %2 of [Ports] ignored; ports -v says why")
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
        run.output().json = QJsonObject{{"ports", QJsonArray::fromStringList(listing.links)},
                                            {"targets", targets},
                                            {"ignored", ignoredJson},
                                            {"leftOutForPermission", listing.deniedCount}};
    } else {
        run.print(text);
    }
}

void modelVerb(const Request& r, VerbRun& run)
{
    const int32_t model = run.device().model();
    const QString name = model >= 0 ? modelNames()[model] : QStringLiteral("unknown");
    if (r.json)
        run.output().json = QJsonObject{{"model", model >= 0 ? QJsonValue(name) : QJsonValue()}};
    else
        run.print(name + QLatin1Char('\n'));
}

void statusVerb(const Request& r, VerbRun& run)
{
    const Snapshot s = run.device().snapshot();
    if (r.json)
        run.output().json = statusJson(s, run.linkId());
    else
        run.print(statusText(s));
}

void identifyVerb(const Request& r, VerbRun& run)
{
    identify(run.device(), !r.noVerify);
    reportSent(run);
}

void autoAdjustVerb(const Request&, VerbRun& run)
{
    autoAdjust(run.device());
    reportSent(run);
}

void resetVerb(const Request& r, VerbRun& run)
{
    // Asked before anything is opened: without --yes nothing is touched.
    factoryReset(run.device(), !r.noVerify);
    reportSent(run);
}

void saveVerb(const Request& r, VerbRun& run)
{
    QString path = r.args[0];
    if (isFolderArgument(path))
        path = fleetFilePath(path, run.linkId());
    const QString text = setupFileText(run.device().snapshot(), run.linkId());
    // "-" is standard output; main() reports a failed write there. JSON
    // carries the text instead, so that stdout stays one object a line.
    if (path == QLatin1String("-")) {
        if (r.json)
            run.output().json = QJsonObject{{"setup", text}};
        else
            run.print(text);
        return;
    }
    const std::string why = replaceFileText(path.toStdString(), text.toStdString());
    if (!why.empty())
        usage(QStringLiteral("%1: %2").arg(path, QString::fromStdString(why)));
    if (r.json)
        run.output().json = QJsonObject{{"file", path}};
    else if (r.links.size() > 1)
        run.print(QStringLiteral("saved %1\n").arg(path));
}

namespace {

void printApplied(const Request& r, VerbRun& run, const QStringList& changed, const ApplyResult& result)
{
    const QStringList missed = mismatchLines(result.missed);
    const QString text = applyResultText(result.outcome);
    if (r.json) {
        run.output().json = QJsonObject{{"result", text},
                                        {"changed", QJsonArray::fromStringList(changed)},
                                        {"missed", QJsonArray::fromStringList(missed)}};
    } else if (missed.isEmpty()) {
        run.print(result.rotationUnread ? text + QStringLiteral(" (rotation sent; DDC/CI cannot read it back)\n")
                                        : text + QLatin1Char('\n'));
    } else {
        run.print(missed.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    }
}

}  // namespace

// Sends only what differs from the device, then reads everything back.
void applyVerb(const Request& r, VerbRun& run)
{
    // A folder holds one file a link; a link without one fails alone.
    const bool folder = isFolderArgument(r.args[0]);
    const QString path = folder ? fleetFilePath(r.args[0], run.linkId()) : r.args[0];
    const SetupFile setup = parseSetupFile(setupFileName(path), folder ? readInputText(path) : r.input);
    if (isEmpty(setup))
        usage(QStringLiteral("%1: nothing to apply (none of the keys save writes)").arg(setup.path));
    const Plan p = carryOut(run.device(), setup);
    const QStringList changed = p.changedFields();
    if (r.verbose)
        run.output().notes << QStringLiteral("changed: %1")
                                  .arg(changed.isEmpty() ? QStringLiteral("nothing") : changed.join(QStringLiteral(", ")));
    const ApplyResult result = checkApplied(run.device(), p);
    printApplied(r, run, changed, result);
    if (result.outcome == ApplyOutcome::NotVerified)
        fail(kExitNotVerified, QStringLiteral("%1: %2 of the set-up did not take on %3")
                                   .arg(setup.path,
                                        result.missed.size() == 1 ? QStringLiteral("1 field")
                                                                  : QStringLiteral("%1 fields").arg(result.missed.size()),
                                        run.linkId()));
}

}  // namespace lumivex::ctl
