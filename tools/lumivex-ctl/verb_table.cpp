#include "lumivex-ctl/verb_table.h"

#include "lumivex-ctl/ctl_verbs.h"

#include <QTextStream>

#include <array>

namespace lumivex::ctl {

namespace {

// The verbs that open a link.
constexpr const char* kLinkVerbs = "model status set identify auto-adjust reset save apply";

const std::array kOptions{
    OptionEntry{"link", 0, "LINK",
               "The link: ddc (ddc:N for monitor N), DDC2Bi or COMn as `ports' lists them (any case), a device "
               "path, or a serial device server: tcp://HOST:PORT (raw bytes) or rfc2217://HOST:PORT (Telnet COM "
               "port control). Give it again for more links: the verb runs on all of them at once. A link lumivexd "
               "holds (the same device or address) goes through it.",
               true, false, kLinkVerbs},
    OptionEntry{"links", 0, "FILE", "Links one a line, as --link takes them; # starts a comment.", true, false,
               kLinkVerbs},
    OptionEntry{"controller", 'c', "NAME",
               "A controller of the inventory, by its name; give it again for more. Through lumivexd when it holds "
               "the controller, else over the controller's Link directly. Output is prefixed by the name.",
               true, false, kLinkVerbs},
    OptionEntry{"all", 0, nullptr, "Every controller of the inventory, in its order.", false, false, kLinkVerbs},
    OptionEntry{"inventory", 0, "FILE",
               "The inventory of named controllers (default: LUMIVEX_INVENTORY, then /etc/lumivex/controllers.ini).",
               false, false, kLinkVerbs},
    OptionEntry{"direct", 0, nullptr,
               "Open every link here, even one lumivexd holds (it then fails, naming lumivexd).", false, false,
               kLinkVerbs},
    OptionEntry{"monitor", 0, "N", "DDC/CI: the monitor of --link ddc, counted from 0 (default 0).", false, false,
               kLinkVerbs},
    OptionEntry{"json", 0, nullptr, "JSON Lines on stdout: one object a link, in the order given, each with "
                                   "\"link\" and \"exit\" (and \"error\" when it failed); see JSON OUTPUT in the "
                                   "man page."},
    OptionEntry{"no-verify", 0, nullptr,
               "set, identify, auto-adjust, reset: send without reading back or asking the model first.", false,
               false, "set identify auto-adjust reset"},
    OptionEntry{"yes", 0, nullptr, "Confirm a verb that asks (reset).", false, false, "reset"},
    OptionEntry{"h", 0, "PERCENT", "set mask on: the horizontal mask in percent, 0 to 10 (e.g. 2.5).", false, false,
               "set"},
    OptionEntry{"v", 0, "PERCENT", "set mask on: the vertical mask in percent, 0 to 10.", false, false, "set"},
    OptionEntry{"bezel", 0, "W,H", "set mask on: bezel width and height in mm (e.g. 12.5,10).", false, false, "set"},
    OptionEntry{"viewable", 0, "W,H", "set mask on: viewable width and height in mm.", false, false, "set"},
    OptionEntry{"ini", 0, "FILE", "The panel's settings file (default: the panel's ZEPTA.ini)."},
    OptionEntry{"wait", 0, "MS",
               "Serial: the longest wait for each reply, in ms (default: ZEPTA_REPLY_WAIT_MS, then [Link] Reply "
               "Wait ms of ZEPTA.ini, then 100, or 500 for tcp:// and rfc2217://); it ends when the reply is "
               "whole.",
               false, false, kLinkVerbs},
    OptionEntry{"verbose", 'v', nullptr,
               "Tell the link's notices and what apply changed on stderr; ports: where each COM name points and "
               "why a [Ports] entry is ignored."},
    OptionEntry{"help", 'h', nullptr, "Show this help."},
    OptionEntry{"version", 'V', nullptr, "Show the version."},
    OptionEntry{"man", 0, nullptr, "Print the man page's roff source."},
    OptionEntry{"bash-completion", 0, nullptr, "Print the bash completion script."},
};

const std::array kVerbs{
    VerbEntry{"ports", "", 0, 0, false,
             "the links the panel would offer; with -v, where each COM name points and why a [Ports] entry is "
             "ignored",
             &portsVerb},
    VerbEntry{"model", "", 0, 0, true, "K410 or K420", &modelVerb},
    VerbEntry{"status", "", 0, 0, true, "the model, both read-backs and the four sizes of ZEPTA.ini", &statusVerb},
    VerbEntry{"set", "SETTING VALUE", 2, 2, true, "one setting, as below", &setVerb},
    VerbEntry{"identify", "", 0, 0, true, "the monitors show their numbers", &identifyVerb},
    VerbEntry{"auto-adjust", "", 0, 0, true, "VGA input in 1x1 only (K410)", &autoAdjustVerb},
    VerbEntry{"reset", "", 0, 0, true, "factory settings; needs --yes", &resetVerb},
    VerbEntry{"save", "FILE", 1, 1, true,
             "the whole set-up as an editable INI file; - for stdout (one link); a folder, DIR/, for one file a link "
             "named after it (rfc2217://10.0.0.5:4001 gives rfc2217-10.0.0.5-4001.ini), made with its parents",
             &saveVerb},
    VerbEntry{"apply", "FILE", 1, 1, true,
             "sends what differs, reads back, checks; says unchanged when nothing differs (- for stdin; DIR/ gives "
             "each link the file save DIR/ wrote for it, and a link without one fails)",
             &applyVerb},
};

const std::array kSettings{
    SettingEntry{"input", "vga|component|dvi", "the K420 has DVI only", &setInput},
    SettingEntry{"power", "on|off", "", &setPower},
    SettingEntry{"osd", "lock|unlock", "", &setOsd},
    SettingEntry{"rotation", "normal|rotated", "", &setRotation},
    SettingEntry{"gpo", "BITS|N=on|off", "four digits 0|1, GPO-4 first, or one output N 1..4 (K410)", &setGpoVerb},
    SettingEntry{"resolution", "LABEL|INDEX", "e.g. 1920x1080@60Hz, 1920x1080 or 8", &setResolution},
    SettingEntry{"layout", "LABEL|INDEX", "e.g. 2x2; the model's list", &setLayout},
    SettingEntry{"mask", "off|on", "on takes --h and --v, or --bezel and --viewable (kept in ZEPTA.ini)", &setMaskVerb},
};

struct Section {
    const char* title;
    const char* text;
};

// The parts of the help that are not tables.
constexpr const char* kSummary = "Sets and reads the ZEPTA video-wall controller (K410/K420) over the panel's links.";

struct ExitEntry {
    control::ExitCode code;
    const char* text;
};

const std::array kExitStatus{
    ExitEntry{control::kExitOk, "success"},
    ExitEntry{control::kExitUsage, "usage: the command line or a set-up file is wrong, or a file cannot be written"},
    ExitEntry{control::kExitNoAnswer, "the device did not answer, its reply was damaged, or a DDC/CI read failed; "
                                      "or lumivexd did not answer within the reply wait and 1 s"},
    ExitEntry{control::kExitNoLink,
              "the link cannot be opened (absent, in use by another program, or its server refused or did not answer)"},
    ExitEntry{control::kExitNotVerified, "set, apply: the device reads back something other than what was sent"},
    ExitEntry{control::kExitDenied,
              "the bus policy refused the call to lumivexd (changes need root or the group lumivex)"},
};

QString exitNumber(control::ExitCode code)
{
    return QString::number(int(code));
}

// What lumivex-ctl trusts and how --json prints, for the man page.
QString trustAndJsonSections()
{
    return QStringLiteral(
               ".SH TRUST\n"
               "A serial reply counts only when all of its bytes arrived and they sum to zero; a read-back that "
               "takes none is sent once more before the device counts as silent, and a damaged reply is said as "
               "such. A DDC/CI read the library refuses is never a value: the run ends with exit status %1 and the "
               "status's number and name. \\fBset\\fR reads back what the device reports and ends with exit "
               "status %2 when it did not take; \\fBidentify\\fR, \\fBauto\\-adjust\\fR, \\fBreset\\fR and a "
               "rotation over DDC/CI cannot be read back, so the model is asked first. \\fB\\-\\-no\\-verify\\fR "
               "skips both.\n")
               .arg(exitNumber(control::kExitNoAnswer), exitNumber(control::kExitNotVerified))
        + QStringLiteral(
               ".SH JSON OUTPUT\n"
               "With \\fB\\-\\-json\\fR, standard output is JSON Lines: one object a link, one a line, in the "
               "order the links were given, also when a link failed. Every object has \\fBlink\\fR (null for "
               "\\fBports\\fR) and \\fBexit\\fR, and \\fBerror\\fR when exit is not 0; \\fBcontroller\\fR names "
               "the controller for \\fB\\-c\\fR and \\fB\\-\\-all\\fR. "
               "\\fBstatus\\fR adds model, input, power, osd, rotation, gpi, gpo (null where the link or model has "
               "none), resolution and layout (index, label), mask (on, hTenths, vTenths) and sizes (bezelWidth, "
               "viewableWidth, bezelHeight, viewableHeight, in millimetres, with the digits ZEPTA.ini holds). "
               "\\fBmodel\\fR adds model; \\fBset\\fR adds setting, value and verified (and missed when it did not "
               "take); \\fBidentify\\fR, \\fBauto\\-adjust\\fR and \\fBreset\\fR add verified, false; "
               "\\fBsave\\fR adds file, or setup (the text) for \\-; \\fBapply\\fR adds result (unchanged, applied "
               "and verified, not verified), changed and missed; \\fBports\\fR adds ports, targets "
               "(what each COM name opens), ignored (the [Ports] entries no name reaches: key, value, reason) and "
               "leftOutForPermission.\n");
}

const std::array kEnvironment{
    Section{"ZEPTA_COMn", "the device path of COMn, over [Ports] of ZEPTA.ini and the default table"},
    Section{"ZEPTA_DDCHELPER", "the DDC/CI library to load, and the only one tried"},
    Section{"ZEPTA_REPLY_WAIT_MS", "the serial reply wait, below --wait"},
    Section{"STATE_DIRECTORY", "where ZEPTA.ini goes when there is no home folder (a system service)"},
    Section{"LUMIVEX_INVENTORY", "the inventory of named controllers, below --inventory"},
    Section{"LUMIVEX_BUS", "session: look for lumivexd on the session bus instead of the system bus"},
};

const std::array kFiles{
    Section{"ZEPTA.ini", "beside the panel in a build tree; ~/.config/zepta/ZEPTA.ini for an installed copy; "
                         "$STATE_DIRECTORY/ZEPTA.ini or /var/lib/lumivex/ZEPTA.ini without a home folder. "
                         "Holds [Ports], [Link] Reply Wait ms and the four sizes."},
    Section{"/etc/lumivex/controllers.ini", "the inventory: one [Controller NAME] section a controller, with its "
                                            "Link; lumivexd reads the same file."},
};

const std::array kExamples{
    Section{"lumivex-ctl --link COM1 status", "both read-backs of the controller on COM1"},
    Section{"lumivex-ctl --link ddc set input dvi", "switch the input over DDC/CI"},
    Section{"lumivex-ctl --link rfc2217://10.0.0.5:4002 status", "the controller behind a serial device server"},
    Section{"lumivex-ctl --link COM1 save wall.ini", "keep the whole set-up"},
    Section{"lumivex-ctl --links room.txt --json apply wall.ini",
            "the same set-up on every wall of a room, at once; each object says unchanged or applied"},
    Section{"lumivex-ctl --links room.txt save walls/", "each wall's own set-up, one file a wall; apply walls/ puts them back"},
    Section{"lumivex-ctl -c lobby-west set power on", "the controller named lobby-west, through lumivexd when it runs"},
    Section{"lumivex-ctl --all --json status", "every controller of the inventory"},
};

QString synopsisOf(const OptionEntry& o)
{
    QString text = o.shortName ? QStringLiteral("-%1, --%2").arg(QLatin1Char(o.shortName)).arg(QLatin1String(o.name))
                               : QStringLiteral("--%1").arg(QLatin1String(o.name));
    if (o.value)
        text += QLatin1Char(' ') + QLatin1String(o.value);
    return text;
}

QString verbSynopsis(const VerbEntry& v)
{
    return *v.arguments ? QStringLiteral("%1 %2").arg(QLatin1String(v.name), QLatin1String(v.arguments))
                        : QLatin1String(v.name);
}

// roff text: a leading dot or quote would be a request, a backslash an escape.
QString roff(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    text.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (text.startsWith(QLatin1Char('.')) || text.startsWith(QLatin1Char('\'')))
        text.prepend(QStringLiteral("\\&"));
    return text;
}

}  // namespace

std::span<const OptionEntry> optionTable()
{
    return kOptions;
}

std::span<const VerbEntry> verbTable()
{
    return kVerbs;
}

std::span<const SettingEntry> settingTable()
{
    return kSettings;
}

const OptionEntry* findOption(const QString& longName)
{
    for (const OptionEntry& o : kOptions)
        if (longName == QLatin1String(o.name))
            return &o;
    return nullptr;
}

bool optionGoesWith(const OptionEntry& option, const QString& verb)
{
    if (!option.verbs)
        return true;
    return QString::fromLatin1(option.verbs).split(QLatin1Char(' ')).contains(verb);
}

const VerbEntry* findVerb(const QString& name)
{
    for (const VerbEntry& v : kVerbs)
        if (name == QLatin1String(v.name))
            return &v;
    return nullptr;
}

QString helpText()
{
    QString out;
    QTextStream t(&out);
    // Two columns, the right one wrapped to fit 80.
    const auto row = [&t](const QString& left, const char* right) {
        constexpr int kLeft = 30;
        constexpr int kRight = 46;
        t << "  " << QStringLiteral("%1").arg(left, -kLeft);
        if (left.size() > kLeft && *right)
            t << "\n  " << QString(kLeft, QLatin1Char(' '));
        int used = 0;
        for (const QString& word : QString::fromUtf8(right).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (used > 0 && used + 1 + word.size() > kRight) {
                t << "\n  " << QString(kLeft, QLatin1Char(' '));
                used = 0;
            } else if (used > 0) {
                t << ' ';
                ++used;
            }
            t << word;
            used += int(word.size());
        }
        t << "\n";
    };
    t << "Usage: lumivex-ctl [OPTIONS] VERB [ARGS...]\n" << kSummary << "\n\nVerbs:\n";
    for (const VerbEntry& v : kVerbs)
        row(verbSynopsis(v), v.help);
    t << "\nSettings of set:\n";
    for (const SettingEntry& s : kSettings)
        row(QStringLiteral("set %1 %2").arg(QLatin1String(s.name), QLatin1String(s.values)), s.help);
    t << "\nOptions:\n";
    for (const OptionEntry& o : kOptions)
        if (!o.hidden)
            row(synopsisOf(o), o.help);
    t << "\nExit status:\n";
    for (const ExitEntry& e : kExitStatus)
        row(exitNumber(e.code), e.text);
    t << "With several links, the highest of the links' codes. Errors are one line each on stderr.\n";
    t.flush();
    return out;
}

QString manPage()
{
    QString out;
    QTextStream t(&out);
    const auto item = [&t](const QString& tag, const QString& text) {
        t << ".TP\n" << roff(tag) << "\n" << roff(text) << "\n";
    };
    t << ".TH LUMIVEX-CTL 1 \"\" \"lumivex-ctl " << LUMIVEX_VERSION << "\" \"User Commands\"\n"
      << ".SH NAME\nlumivex\\-ctl \\- command\\-line control of the ZEPTA video\\-wall controller\n"
      << ".SH SYNOPSIS\n.B lumivex\\-ctl\n[\\fIOPTIONS\\fR] \\fIVERB\\fR [\\fIARGS\\fR...]\n"
      << ".SH DESCRIPTION\n" << roff(QLatin1String(kSummary)) << "\n"
      << "Every verb that needs a link runs on each link given, each on its own thread; text output is then "
         "prefixed by the link, or by the controller's name for \\fB\\-c\\fR and \\fB\\-\\-all\\fR.\n"
      << ".SH SERVICE\n"
         "When lumivexd runs and holds a controller, a link to it (by \\fB\\-c\\fR, \\fB\\-\\-all\\fR, or a "
         "\\fB\\-\\-link\\fR that names the same device or address) goes through the service, with the same "
         "output and exit status; the panel and timers then share the controller. With no service running, the link "
         "opens directly. \\fB\\-\\-direct\\fR never asks the service; a link it holds then fails with a line "
         "that names lumivexd and the controller. A refusal by the bus policy ends with exit status 5; no answer from "
         "the service within the reply wait and 1 s, with exit status 2.\n"
      << ".SH VERBS\n";
    for (const VerbEntry& v : kVerbs)
        item(verbSynopsis(v), QLatin1String(v.help));
    t << ".SS Settings of set\n";
    for (const SettingEntry& s : kSettings)
        item(QStringLiteral("set %1 %2").arg(QLatin1String(s.name), QLatin1String(s.values)), QLatin1String(s.help));
    t << ".SH OPTIONS\n";
    for (const OptionEntry& o : kOptions)
        if (!o.hidden)
            item(synopsisOf(o), QLatin1String(o.help));
    const auto section = [&](const char* heading, std::span<const Section> rows) {
        t << ".SH " << heading << "\n";
        for (const Section& s : rows)
            item(QLatin1String(s.title), QLatin1String(s.text));
    };
    t << trustAndJsonSections();
    t << ".SH EXIT STATUS\n";
    for (const ExitEntry& e : kExitStatus)
        item(exitNumber(e.code), QLatin1String(e.text));
    t << ".PP\nWith several links, the highest of the links' codes.\n";
    section("ENVIRONMENT", kEnvironment);
    section("FILES", kFiles);
    section("EXAMPLES", kExamples);
    t << ".SH SEE ALSO\n.BR lumivex (1),\n.BR lumivexd (8),\n.BR zepta\\-sim (1)\n";
    t.flush();
    return out;
}

}  // namespace lumivex::ctl
