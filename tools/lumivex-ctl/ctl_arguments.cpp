#include "ctl_arguments.h"

#include "app_paths.h"
#include "ctl_errors.h"
#include "ctl_link.h"
#include "reply_wait.h"
#include "verb_table.h"

#include <QFile>

#include <cstdio>
#include <filesystem>
#include <map>

namespace lumivex::ctl {

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

QStringList linksFromFile(const QString& path)
{
    std::error_code ec;
    const std::filesystem::path file(path.toStdString());
    if (!std::filesystem::is_regular_file(file, ec))
        usage(QStringLiteral("--links: %1 is not a regular file").arg(path));
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        usage(QStringLiteral("--links: %1: %2").arg(path, in.errorString()));
    if (in.size() > kMaxLinksFile)
        usage(QStringLiteral("--links: %1 is larger than %2 bytes").arg(path).arg(kMaxLinksFile));
    QStringList links;
    for (const QString& raw : QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'))) {
        const QString line = raw.left(raw.indexOf(QLatin1Char('#'))).trimmed();
        if (!line.isEmpty())
            links << line;
    }
    if (links.isEmpty())
        usage(QStringLiteral("--links: %1 names no link").arg(path));
    return links;
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

    int monitorIndex = 0;
    if (const auto monitor = value("monitor")) {
        bool number = false;
        monitorIndex = monitor->toInt(&number);
        if (!number || monitorIndex < 0)
            usage(QStringLiteral("--monitor takes a number from 0, not '%1'").arg(*monitor));
    }
    QStringList linkTexts = p.options.count(QStringLiteral("link")) ? p.options.at(QStringLiteral("link")) : QStringList();
    if (p.options.count(QStringLiteral("links")))
        for (const QString& file : p.options.at(QStringLiteral("links")))
            linkTexts << linksFromFile(file);
    for (const QString& text : linkTexts) {
        const LinkTarget target = parseLinkTarget(text, monitorIndex);
        for (const LinkTarget& earlier : r.links)
            if (earlier.id == target.id)
                usage(QStringLiteral("the link %1 is given twice").arg(target.id));
        r.links.push_back(target);
    }
    if (given("monitor") && !(r.links.size() == 1 && r.links.front().ddc))
        usage(QStringLiteral("--monitor goes with one --link ddc"));
    if (!verb->needsLink && !r.links.empty())
        usage(QStringLiteral("%1 takes no link").arg(r.verb));
    if (verb->needsLink && r.links.empty())
        usage(QStringLiteral("%1 needs --link ddc|COMn|/dev/...").arg(r.verb));

    r.json = given("json");
    r.yes = given("yes");
    r.verbose = given("verbose");
    r.noVerify = given("no-verify");
    r.iniPath = given("ini") ? checkedIniPath(*value("ini")) : QString::fromStdString(lumivex::defaultIniPath().string());
    r.h = value("h");
    r.v = value("v");
    r.bezel = value("bezel");
    r.viewable = value("viewable");
    const bool maskOn = r.verb == QLatin1String("set") && r.args.value(0).compare(QLatin1String("mask"), Qt::CaseInsensitive) == 0;
    for (const char* option : {"h", "v", "bezel", "viewable"})
        if (given(option) && !maskOn)
            usage(QStringLiteral("--%1 goes with set mask on").arg(QLatin1String(option)));
    if (const auto wait = value("wait")) {
        const ReplyWaitValue parsed = parseReplyWaitMs(wait->toStdString());
        if (!parsed.wait)
            usage(QStringLiteral("--wait: %1").arg(QString::fromStdString(parsed.problem)));
        r.replyWait = parsed.wait;
    }
    return r;
}

}  // namespace lumivex::ctl
