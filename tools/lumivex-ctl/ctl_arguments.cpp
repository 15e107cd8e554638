#include "ctl_arguments.h"

#include "app_paths.h"
#include "ctl_errors.h"
#include "ctl_link.h"
#include "reply_wait.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <filesystem>

namespace lumivex::ctl {

namespace {

constexpr const char* kDescription =
    "Sets and reads the ZEPTA video-wall controller (K410/K420) over the panel's links.\n"
    "\n"
    "Verbs:\n"
    "  ports                        the links the panel would offer\n"
    "  model                        K410 or K420\n"
    "  status [--json]              both read-backs and the four sizes of ZEPTA.ini\n"
    "                               (the model too over DDC/CI)\n"
    "  set input vga|component|dvi\n"
    "  set power on|off\n"
    "  set osd lock|unlock\n"
    "  set rotation normal|rotated\n"
    "  set gpo BITS                 four digits 0|1, GPO-4 first (K410)\n"
    "  set gpo N=on|off             one output, N 1..4 (K410)\n"
    "  set resolution LABEL|INDEX   e.g. 1920x1080@60Hz or 8\n"
    "  set layout LABEL|INDEX       e.g. 2x2; the model's list\n"
    "  set mask off\n"
    "  set mask on --h PERCENT --v PERCENT\n"
    "  set mask on --bezel W,H --viewable W,H   (millimetres; kept in ZEPTA.ini)\n"
    "  identify\n"
    "  auto-adjust                  VGA input in 1x1 only (K410)\n"
    "  reset --yes                  factory settings\n"
    "  save FILE                    the whole set-up as an editable INI file\n"
    "  apply FILE                   sends what differs, reads back, checks\n"
    "\n"
    "Exit codes: 0 success, 1 usage, 2 the device did not answer or a read\n"
    "failed, 3 the link cannot be opened (absent or in use by another program),\n"
    "4 apply did not verify. Errors are one line on stderr.";

// --ini names a file in a folder that exists: nothing but the file itself
// is ever created, and a folder or a device is no settings file.
QString checkedIniPath(const QString& given)
{
    const std::filesystem::path path(given.toStdString());
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        fail(kExitUsage, QStringLiteral("--ini: there is no folder %1").arg(QString::fromStdString(folder.string())));
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
        fail(kExitUsage, QStringLiteral("--ini: %1 is not a regular file").arg(given));
    return given;
}

}  // namespace

Request parseArguments(int argc, char** argv)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help(QStringList{"help"}, "Show this help.");
    const QCommandLineOption version(QStringList{"version"}, "Show the version.");
    const QCommandLineOption link("link", "The link: ddc, COMn (as the panel maps it) or a device path.", "LINK");
    const QCommandLineOption monitor("monitor", "DDC/CI: the monitor, counted from 0 (default 0).", "N", "0");
    const QCommandLineOption json("json", "status, model, ports: JSON on stdout.");
    const QCommandLineOption yes("yes", "Confirm a verb that asks (reset).");
    const QCommandLineOption h("h", "set mask on: horizontal mask in percent.", "PERCENT");
    const QCommandLineOption v("v", "set mask on: vertical mask in percent.", "PERCENT");
    const QCommandLineOption bezel("bezel", "set mask on: bezel width and height in mm.", "W,H");
    const QCommandLineOption viewable("viewable", "set mask on: viewable width and height in mm.", "W,H");
    const QCommandLineOption ini("ini", "The panel's settings file (default: the panel's ZEPTA.ini).", "FILE");
    const QCommandLineOption verbose("verbose", "Tell the link's notices and what apply changed on stderr.");
    const QCommandLineOption wait("wait",
                                  "Serial: the longest wait for each reply, in ms (default: ZEPTA_REPLY_WAIT_MS, "
                                  "then [Link] Reply Wait ms of ZEPTA.ini, then 100).",
                                  "MS");
    parser.addOptions({help, version, link, monitor, json, yes, h, v, bezel, viewable, ini, verbose, wait});
    parser.addPositionalArgument("verb", "See the verbs above.", "VERB [ARGS...]");
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(arguments))
        fail(kExitUsage, parser.errorText());
    if (parser.isSet(help)) {
        // The help text takes the name from an application object; only
        // --help pays for one. The name, not the path it was started by:
        // the man page is made from this.
        int one = 1;
        char name[] = "lumivex-ctl";
        char* names[] = {name, nullptr};
        QCoreApplication app(one, names);
        const QString text = parser.helpText();
        std::fputs(qPrintable(text), stdout);
        throw Failure{kExitOk, QString()};
    }
    if (parser.isSet(version)) {
        std::printf("lumivex-ctl %s\n", LUMIVEX_VERSION);
        throw Failure{kExitOk, QString()};
    }
    Request r;
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() || positional.first().isEmpty())
        fail(kExitUsage, QStringLiteral("no verb given (see --help)"));
    r.verb = positional.first().toLower();
    r.args = positional.mid(1);
    bool number = false;
    const int monitorIndex = parser.value(monitor).toInt(&number);
    if (!number || monitorIndex < 0)
        fail(kExitUsage, QStringLiteral("--monitor takes a number from 0, not '%1'").arg(parser.value(monitor)));
    if (parser.isSet(link))
        r.link = parseLinkTarget(parser.value(link), monitorIndex);
    if (parser.isSet(monitor) && !(r.link && r.link->ddc))
        fail(kExitUsage, QStringLiteral("--monitor goes with --link ddc"));
    r.json = parser.isSet(json);
    r.yes = parser.isSet(yes);
    r.verbose = parser.isSet(verbose);
    r.iniPath = parser.isSet(ini) ? checkedIniPath(parser.value(ini))
                                  : QString::fromStdString(lumivex::defaultIniPath().string());
    const auto optional = [&parser](const QCommandLineOption& o) {
        return parser.isSet(o) ? std::optional<QString>(parser.value(o)) : std::nullopt;
    };
    r.h = optional(h);
    r.v = optional(v);
    r.bezel = optional(bezel);
    r.viewable = optional(viewable);
    if (parser.isSet(wait)) {
        const ReplyWaitValue value = parseReplyWaitMs(parser.value(wait).toStdString());
        if (!value.wait)
            fail(kExitUsage, QStringLiteral("--wait: %1").arg(QString::fromStdString(value.problem)));
        r.replyWait = value.wait;
    }
    return r;
}

}  // namespace lumivex::ctl
