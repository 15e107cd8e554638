#include "lumivex-ctl/ctl_arguments.h"

#include "platform/app_paths.h"
#include "lumivex-ctl/bash_completion.h"
#include "control/value_names.h"
#include "control/outcome.h"
#include "panel/display_rules.h"
#include "control/controller_link.h"
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

// A list of links is a small regular file: a device or a pipe is refused
// before it is read.
constexpr qint64 kMaxLinksFile = 64 * 1024;

// A link as given, with the file and line it came from ("room.txt:3"), if any.
struct LinkText {
    QString text;
    QString where;
};

std::vector<LinkText> linksFromFile(const QString& path)
{
    std::error_code ec;
    const std::filesystem::path file(path.toStdString());
    const std::filesystem::file_status status = std::filesystem::status(file, ec);
    if (ec)
        usage(QStringLiteral("--links: %1: %2").arg(path, QString::fromStdString(ec.message())));
    if (!std::filesystem::is_regular_file(status))
        usage(QStringLiteral("--links: %1 is not a regular file (a list of links, one a line)").arg(path));
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        usage(QStringLiteral("--links: %1: %2").arg(path, in.errorString()));
    if (in.size() > kMaxLinksFile)
        usage(QStringLiteral("--links: %1 is larger than %2 bytes").arg(path).arg(kMaxLinksFile));
    std::vector<LinkText> links;
    const QStringList lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].left(lines[i].indexOf(QLatin1Char('#'))).trimmed();
        if (!line.isEmpty())
            links.push_back({line, QStringLiteral("%1:%2").arg(path).arg(i + 1)});
    }
    if (links.empty())
        usage(QStringLiteral("--links: %1 names no link").arg(path));
    return links;
}

// A link's refusal names the file and line it came from.
LinkTarget linkTargetAt(const LinkText& link, int monitor)
{
    try {
        return parseLinkTarget(link.text, monitor);
    } catch (const Failure& failure) {
        if (link.where.isEmpty())
            throw;
        usage(QStringLiteral("%1: %2").arg(link.where, failure.line));
    }
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

}  // namespace

Request parseArguments(int argc, char** argv)
{
    const Parsed p = scan(argc, argv);
    const auto given = [&p](const char* name) { return p.options.count(QLatin1String(name)) > 0; };
    const auto value = [&p](const char* name) {
        const auto found = p.options.find(QLatin1String(name));
        return found == p.options.end() ? std::optional<QString>() : std::optional<QString>(found->second.first());
    };
    if (given("help"))
        printAndEnd(helpText());
    if (given("version"))
        printAndEnd(QStringLiteral("lumivex-ctl %1\n").arg(QLatin1String(LUMIVEX_VERSION)));
    if (given("man"))
        printAndEnd(manPage());
    if (given("bash-completion"))
        printAndEnd(bashCompletion());

    Request r;
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

    // The mask's options before the others: their refusal says where they go.
    const bool setMask = r.verb == QLatin1String("set") && r.args.value(0).compare(QLatin1String("mask"), Qt::CaseInsensitive) == 0;
    const int maskValue = setMask ? pickName(maskNames(), r.args.value(1)).value_or(-1) : -1;
    const bool maskOn = maskValue == 1;
    for (const char* option : {"h", "v", "bezel", "viewable"})
        if (given(option) && !maskOn)
            usage(maskValue == 0 ? QStringLiteral("--%1 goes with set mask on; set mask off keeps the device's mask")
                                       .arg(QLatin1String(option))
                                 : QStringLiteral("--%1 goes with set mask on").arg(QLatin1String(option)));
    for (const auto& [name, values] : p.options) {
        const OptionEntry* option = findOption(name);
        // A link for a verb without one is told below, in its own words.
        if (option && name != QLatin1String("link") && name != QLatin1String("links") && !optionGoesWith(*option, r.verb))
            usage(QStringLiteral("--%1 goes with %2, not %3")
                      .arg(name, QString::fromLatin1(option->verbs).split(QLatin1Char(' ')).join(QStringLiteral(", ")),
                           r.verb));
    }

    int monitorIndex = 0;
    if (const auto monitor = value("monitor")) {
        bool number = false;
        monitorIndex = monitor->toInt(&number);
        if (!number || monitorIndex < 0)
            usage(QStringLiteral("--monitor takes a number from 0, not '%1'").arg(*monitor));
    }
    std::vector<LinkText> linkTexts;
    if (p.options.count(QStringLiteral("link")))
        for (const QString& text : p.options.at(QStringLiteral("link")))
            linkTexts.push_back({text, QString()});
    if (p.options.count(QStringLiteral("links")))
        for (const QString& file : p.options.at(QStringLiteral("links")))
            for (LinkText& link : linksFromFile(file))
                linkTexts.push_back(std::move(link));
    for (const LinkText& text : linkTexts) {
        const LinkTarget target = linkTargetAt(text, monitorIndex);
        for (const LinkTarget& earlier : r.links)
            if (earlier.id == target.id)
                usage(QStringLiteral("%1the link %2 is given twice")
                          .arg(text.where.isEmpty() ? QString() : text.where + QStringLiteral(": "), target.id));
        if (given("monitor") && text.text.trimmed().startsWith(QLatin1String("ddc:"), Qt::CaseInsensitive))
            usage(QStringLiteral("--monitor goes with --link ddc; %1 names its monitor already").arg(text.text.trimmed()));
        r.links.push_back(target);
    }
    if (given("monitor") && !(r.links.size() == 1 && r.links.front().ddc))
        usage(QStringLiteral("--monitor goes with one --link ddc"));
    if (!verb->needsLink && !r.links.empty())
        usage(QStringLiteral("%1 takes no link").arg(r.verb));
    if (verb->needsLink && r.links.empty())
        usage(QStringLiteral("%1 needs --link ddc|COMn|/dev/... (ports lists them)").arg(r.verb));

    r.json = given("json");
    r.yes = given("yes");
    r.verbose = given("verbose");
    r.noVerify = given("no-verify");
    r.iniPath = given("ini") ? checkedIniPath(*value("ini")) : QString::fromStdString(lumivex::defaultIniPath().string());
    if (maskOn) {
        const bool percents = given("h") || given("v");
        const bool sizes = given("bezel") || given("viewable");
        if (percents == sizes || (percents && !(given("h") && given("v"))) || (sizes && !(given("bezel") && given("viewable"))))
            usage(QStringLiteral("set mask on takes --h PERCENT --v PERCENT, or --bezel W,H --viewable W,H"));
        if (percents) {
            r.mask.h = maskPercent("h", *value("h"));
            r.mask.v = maskPercent("v", *value("v"));
        } else {
            r.mask.bezel = maskSizes("bezel", *value("bezel"));
            r.mask.viewable = maskSizes("viewable", *value("viewable"));
        }
    }
    if (const auto wait = value("wait")) {
        const ReplyWaitValue parsed = parseReplyWaitMs(wait->toStdString());
        if (!parsed.wait)
            usage(QStringLiteral("--wait: %1").arg(QString::fromStdString(parsed.problem)));
        r.replyWait = parsed.wait;
    }
    return r;
}

}  // namespace lumivex::ctl
