#include "lumivex-ctl/ctl_arguments.h"

#include "platform/app_paths.h"
#include "lumivex-ctl/bash_completion.h"
#include "lumivex-ctl/links_file.h"
#include "control/value_names.h"
#include "control/outcome.h"
#include "panel/display_rules.h"
#include "control/controller_link.h"
#include "control/inventory.h"
#include "link/reply_wait.h"
#include "lumivex-ctl/verb_table.h"

#include <QFile>
#include <QRegularExpression>

#include <cstdio>
#include <filesystem>
#include <map>

namespace lumivex::ctl {

using namespace control;

namespace {

[[noreturn]] void usage(const QString& line)
{
    fail(kExitUsage, line);
}

// --ini names a file in a folder that exists: nothing but the file itself
// is ever created, and a folder or a device is no settings file.
QString checkedIniPath(const QString& given)
{
    const std::filesystem::path path(given.toStdString());
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        usage(QStringLiteral("--ini: there is no folder %1").arg(QString::fromStdString(folder.string())));
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
        usage(QStringLiteral("--ini: %1 is not a regular file").arg(given));
    return given;
}

// "2.5": digits with a point; no sign, exponent or comma.
std::optional<double> plainNumber(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    return text.toDouble();
}

QString decimalPointHint(const QString& text)
{
    return text.contains(QLatin1Char(',')) ? QStringLiteral(" (write a decimal point, not a comma)") : QString();
}

float maskPercent(const char* option, const QString& text)
{
    const std::optional<double> percent = plainNumber(text.trimmed());
    if (!percent || *percent > kMaxMaskPercent)
        usage(QStringLiteral("--%1 takes a percentage from 0 to %2, such as 2.5, not '%3'%4")
                  .arg(QLatin1String(option))
                  .arg(double(kMaxMaskPercent))
                  .arg(text, decimalPointHint(text)));
    return float(*percent);
}

std::pair<double, double> maskSizes(const char* option, const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    std::optional<double> width;
    std::optional<double> height;
    if (parts.size() == 2) {
        width = plainNumber(parts[0].trimmed());
        height = plainNumber(parts[1].trimmed());
    }
    if (!width || !height || *width > kMaxSize || *height > kMaxSize)
        usage(QStringLiteral("--%1 takes W,H in millimetres from 0 to %2, such as 12.5,10, not '%3'%4")
                  .arg(QLatin1String(option))
                  .arg(kMaxSize)
                  .arg(text, parts.size() > 2 ? QStringLiteral(" (a decimal point, not a comma, inside a number)")
                                              : QString()));
    return {*width, *height};
}

// A word that starts with '-' but is a number ("-1") is a value.
bool looksLikeOption(const QString& word)
{
    return word.size() > 1 && word[0] == QLatin1Char('-') && !word[1].isDigit() && word[1] != QLatin1Char('.');
}

struct Parsed {
    std::map<QString, QStringList> options;  // by long name, every value given
    QStringList positional;
};

Parsed scan(int argc, char** argv)
{
    Parsed p;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QString word = QString::fromLocal8Bit(argv[i]);
        if (optionsEnded || !looksLikeOption(word)) {
            p.positional << word;
            continue;
        }
        if (word == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const OptionEntry* option = nullptr;
        std::optional<QString> inlineValue;
        if (word.startsWith(QLatin1String("--"))) {
            const qsizetype eq = word.indexOf(QLatin1Char('='));
            option = findOption(word.mid(2, eq < 0 ? -1 : eq - 2));
            if (eq >= 0)
                inlineValue = word.mid(eq + 1);
        } else if (word.size() == 2) {
            for (const OptionEntry& o : optionTable())
                if (o.shortName && word[1] == QLatin1Char(o.shortName))
                    option = &o;
        }
        if (!option)
            usage(QStringLiteral("unknown option '%1' (see --help)").arg(word));
        const QString name = QLatin1String(option->name);
        if (p.options.count(name) && !option->repeatable)
            usage(QStringLiteral("--%1 is given twice").arg(name));
        QStringList& values = p.options[name];
        if (!option->value) {
            if (inlineValue)
                usage(QStringLiteral("--%1 takes no value").arg(name));
            values << QString();
        } else if (inlineValue) {
            values << *inlineValue;
        } else if (i + 1 < argc) {
            // Whatever follows is the value, even when it starts with '-'.
            values << QString::fromLocal8Bit(argv[++i]);
        } else {
            usage(QStringLiteral("--%1 needs a value (%2)").arg(name, QLatin1String(option->value)));
        }
    }
    return p;
}

[[noreturn]] void printAndEnd(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    throw Failure{kExitOk, QString()};
}

// What the options say, asked by name.
struct Options {
    const Parsed& parsed;
    bool given(const char* name) const { return parsed.options.count(QLatin1String(name)) > 0; }
    std::optional<QString> value(const char* name) const
    {
        const auto found = parsed.options.find(QLatin1String(name));
        return found == parsed.options.end() ? std::optional<QString>() : std::optional<QString>(found->second.first());
    }
    QStringList values(const char* name) const
    {
        const auto found = parsed.options.find(QLatin1String(name));
        return found == parsed.options.end() ? QStringList() : found->second;
    }
};

// --help and the like print and end the program.
void printIfAsked(const Options& o)
{
    if (o.given("help"))
        printAndEnd(helpText());
    if (o.given("version"))
        printAndEnd(QStringLiteral("lumivex-ctl %1\n").arg(QLatin1String(LUMIVEX_VERSION)));
    if (o.given("man"))
        printAndEnd(manPage());
    if (o.given("bash-completion"))
        printAndEnd(bashCompletion());
}

// The verb and its arguments, counted against the table.
const VerbEntry& readVerb(const Parsed& p, Request& r)
{
    if (p.positional.isEmpty() || p.positional.first().isEmpty())
        usage(QStringLiteral("no verb given (see --help)"));
    r.verb = p.positional.first().toLower();
    r.args = p.positional.mid(1);
    const VerbEntry* verb = findVerb(r.verb);
    if (!verb)
        usage(QStringLiteral("unknown verb '%1' (see --help)").arg(r.verb));
    if (r.args.size() > verb->maxArgs)
        usage(verb->maxArgs == 0 ? QStringLiteral("%1 takes no arguments, not '%2'").arg(r.verb, r.args.first())
                                 : QStringLiteral("%1 takes %2; '%3' is one too many")
                                       .arg(r.verb, QLatin1String(verb->arguments), r.args.value(verb->maxArgs)));
    if (r.args.size() < verb->minArgs)
        usage(QStringLiteral("%1 takes %2").arg(r.verb, QLatin1String(verb->arguments)));
    return *verb;
}

// Each option goes with the verb; the mask's first, as their refusal says
// where they go. True when the request is set mask on.
bool checkOptionsGoWith(const Options& o, const Request& r)
{
    const bool setMask = r.verb == QLatin1String("set") && r.args.value(0).compare(QLatin1String("mask"), Qt::CaseInsensitive) == 0;
    const int maskValue = setMask ? pickName(maskNames(), r.args.value(1)).value_or(-1) : -1;
    const bool maskOn = maskValue == 1;
    for (const char* option : {"h", "v", "bezel", "viewable"})
        if (o.given(option) && !maskOn)
            usage(maskValue == 0 ? QStringLiteral("--%1 goes with set mask on; set mask off keeps the device's mask")
                                       .arg(QLatin1String(option))
                                 : QStringLiteral("--%1 goes with set mask on").arg(QLatin1String(option)));
    for (const auto& [name, values] : o.parsed.options) {
        const OptionEntry* option = findOption(name);
        // A link for a verb without one is told below, in its own words.
        const bool aLink = name == QLatin1String("link") || name == QLatin1String("links")
                        || name == QLatin1String("controller") || name == QLatin1String("all");
        if (option && !aLink && !optionGoesWith(*option, r.verb))
            usage(QStringLiteral("--%1 goes with %2, not %3")
                      .arg(name, QString::fromLatin1(option->verbs).split(QLatin1Char(' ')).join(QStringLiteral(", ")),
                           r.verb));
    }
    return maskOn;
}

int monitorOption(const Options& o)
{
    int monitorIndex = 0;
    if (const auto monitor = o.value("monitor")) {
        bool number = false;
        monitorIndex = monitor->toInt(&number);
        if (!number || monitorIndex < 0)
            usage(QStringLiteral("--monitor takes a number from 0, not '%1'").arg(*monitor));
    }
    return monitorIndex;
}

// -c NAME and --all: the controllers of the inventory, each once, first.
void readControllers(const Options& o, Request& r)
{
    const QStringList names = o.values("controller");
    const bool all = o.given("all");
    if (!all && names.isEmpty()) {
        if (o.given("inventory"))
            usage(QStringLiteral("--inventory goes with -c NAME or --all"));
        return;
    }
    if (all && !names.isEmpty())
        usage(QStringLiteral("--all names every controller already; leave out -c %1").arg(names.first()));
    if (o.given("monitor"))
        usage(QStringLiteral("--monitor goes with one --link ddc; a controller's Link names its monitor"));
    r.inventoryPath = inventoryPath(o.value("inventory").value_or(QString()));
    const Inventory inventory = readInventory(r.inventoryPath);
    if (all && inventory.controllers.empty())
        usage(QStringLiteral("--all: %1 names no controller").arg(r.inventoryPath));
    const auto add = [&r](const InventoryEntry& entry) {
        LinkTarget target = entry.target;
        target.controller = entry.name;
        for (const LinkTarget& earlier : r.links)
            if (earlier.controller == entry.name)
                usage(QStringLiteral("controller %1 is given twice").arg(entry.name));
        r.links.push_back(target);
    };
    if (all)
        for (const InventoryEntry& entry : inventory.controllers)
            add(entry);
    for (const QString& name : names) {
        const InventoryEntry* entry = inventory.find(name.trimmed());
        if (!entry)
            usage(QStringLiteral("-c %1: %2 names no such controller").arg(name, r.inventoryPath));
        add(*entry);
    }
}

// -c and --all, then --link and --links, each link once, in the order given.
void readLinks(const Options& o, const VerbEntry& verb, Request& r)
{
    if (!verb.needsLink && (o.given("controller") || o.given("all")))
        usage(QStringLiteral("%1 takes no link").arg(r.verb));
    readControllers(o, r);
    const int monitorIndex = monitorOption(o);
    std::vector<LinkText> linkTexts;
    for (const QString& text : o.values("link"))
        linkTexts.push_back({text, QString()});
    for (const QString& file : o.values("links"))
        for (LinkText& link : linksFromFile(file))
            linkTexts.push_back(std::move(link));
    for (const LinkText& text : linkTexts) {
        const LinkTarget target = linkTargetAt(text, monitorIndex);
        for (const LinkTarget& earlier : r.links)
            if (earlier.id == target.id)
                usage(QStringLiteral("%1the link %2 is given twice%3")
                          .arg(text.where.isEmpty() ? QString() : text.where + QStringLiteral(": "), target.id,
                               earlier.controller.isEmpty() ? QString()
                                                            : QStringLiteral(" (controller %1 is on it)").arg(earlier.controller)));
        if (o.given("monitor") && text.text.trimmed().startsWith(QLatin1String("ddc:"), Qt::CaseInsensitive))
            usage(QStringLiteral("--monitor goes with --link ddc; %1 names its monitor already").arg(text.text.trimmed()));
        r.links.push_back(target);
    }
    if (o.given("monitor") && !(r.links.size() == 1 && r.links.front().ddc))
        usage(QStringLiteral("--monitor goes with one --link ddc"));
    if (!verb.needsLink && !r.links.empty())
        usage(QStringLiteral("%1 takes no link").arg(r.verb));
    if (verb.needsLink && r.links.empty())
        usage(QStringLiteral("%1 needs --link ddc|COMn|/dev/... (ports lists them), -c NAME or --all").arg(r.verb));
}

// set mask on: --h and --v, or --bezel and --viewable.
void readMaskOptions(const Options& o, Request& r)
{
    const bool percents = o.given("h") || o.given("v");
    const bool sizes = o.given("bezel") || o.given("viewable");
    if (percents == sizes || (percents && !(o.given("h") && o.given("v")))
        || (sizes && !(o.given("bezel") && o.given("viewable"))))
        usage(QStringLiteral("set mask on takes --h PERCENT --v PERCENT, or --bezel W,H --viewable W,H"));
    if (percents) {
        r.mask.h = maskPercent("h", *o.value("h"));
        r.mask.v = maskPercent("v", *o.value("v"));
    } else {
        r.mask.bezel = maskSizes("bezel", *o.value("bezel"));
        r.mask.viewable = maskSizes("viewable", *o.value("viewable"));
    }
}

}  // namespace

Request parseArguments(int argc, char** argv)
{
    const Parsed p = scan(argc, argv);
    const Options o{p};
    printIfAsked(o);
    Request r;
    const VerbEntry& verb = readVerb(p, r);
    const bool maskOn = checkOptionsGoWith(o, r);
    readLinks(o, verb, r);
    r.json = o.given("json");
    r.yes = o.given("yes");
    r.verbose = o.given("verbose");
    r.noVerify = o.given("no-verify");
    r.direct = o.given("direct");
    r.iniPath = o.given("ini") ? checkedIniPath(*o.value("ini")) : QString::fromStdString(lumivex::defaultIniPath().string());
    if (maskOn)
        readMaskOptions(o, r);
    if (const auto wait = o.value("wait")) {
        const ReplyWaitValue parsed = parseReplyWaitMs(wait->toStdString());
        if (!parsed.wait)
            usage(QStringLiteral("--wait: %1").arg(QString::fromStdString(parsed.problem)));
        r.replyWait = parsed.wait;
    }
    return r;
}

}  // namespace lumivex::ctl
