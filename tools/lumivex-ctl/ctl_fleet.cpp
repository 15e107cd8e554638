#include "lumivex-ctl/ctl_fleet.h"

#include "control/outcome.h"
#include "lumivex-ctl/verb_table.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <mutex>
#include <thread>

namespace lumivex::ctl {

using namespace control;

namespace {

std::mutex& ddcTurn()
{
    static std::mutex lock;
    return lock;
}

void runOne(const Request& request, const VerbEntry& verb, LinkResult& result)
{
    try {
        // The DDC/CI library keeps one list of monitors for the process.
        std::unique_lock<std::mutex> turn;
        if (result.target && result.target->ddc)
            turn = std::unique_lock(ddcTurn());
        runVerb(request, verb, result.target, result.output);
    } catch (const Failure& failure) {
        result.code = failure.code;
        result.failure = failure.line;
    }
}

void put(std::FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
}

// "COM1: " before each line of a link's text.
QString prefixed(const QString& link, const QString& text)
{
    QString out;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        out += link + QStringLiteral(": ") + line + QLatin1Char('\n');
    return out;
}

// An error line names its link once.
QString namedFailure(const LinkResult& r, bool several)
{
    if (!several || !r.target)
        return r.failure;
    const QString head = r.target->name + QStringLiteral(": ");
    if (r.failure.startsWith(head))
        return r.target->id + QStringLiteral(": ") + r.failure.mid(head.size());
    // "COM1 is in use by another program" names it already.
    if (r.target->name == r.target->id && r.failure.startsWith(r.target->id + QLatin1Char(' ')))
        return r.failure;
    return r.target->id + QStringLiteral(": ") + r.failure;
}

// One JSON Lines record: what the verb said, with the link and how it
// ended, whatever the number of links.
QString jsonLine(const LinkResult& r, const QString& link)
{
    QJsonObject object = r.output.json.value_or(QJsonObject{});
    object.insert(QStringLiteral("link"), r.target ? QJsonValue(link) : QJsonValue());
    object.insert(QStringLiteral("exit"), r.code);
    if (r.code != kExitOk)
        object.insert(QStringLiteral("error"), namedFailure(r, true));
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + QLatin1Char('\n');
}

}  // namespace

std::vector<LinkResult> runOnLinks(const Request& request)
{
    const VerbEntry* verb = findVerb(request.verb);
    if (!verb)
        fail(kExitUsage, QStringLiteral("unknown verb '%1' (see --help)").arg(request.verb));
    std::vector<LinkResult> results(std::max<size_t>(1, request.links.size()));
    for (size_t i = 0; i < request.links.size(); ++i)
        results[i].target = request.links[i];
    if (results.size() == 1) {
        runOne(request, *verb, results.front());
        return results;
    }
    std::vector<std::thread> threads;
    threads.reserve(results.size());
    for (LinkResult& result : results)
        threads.emplace_back([&request, verb, &result] { runOne(request, *verb, result); });
    for (std::thread& thread : threads)
        thread.join();
    return results;
}

ExitCode report(const Request& request, const std::vector<LinkResult>& results, std::FILE* out, std::FILE* err)
{
    const bool several = results.size() > 1;
    ExitCode worst = kExitOk;
    for (const LinkResult& r : results) {
        worst = std::max(worst, r.code);
        const QString link = r.target ? r.target->id : QString();
        for (const QString& note : r.output.notes)
            put(err, QStringLiteral("lumivex-ctl: %1%2\n").arg(several ? link + QStringLiteral(": ") : QString(), note));
        if (!r.failure.isEmpty())
            put(err, QStringLiteral("lumivex-ctl: %1\n").arg(namedFailure(r, several)));
        if (request.json)
            put(out, jsonLine(r, link));
        else
            put(out, several ? prefixed(link, r.output.text) : r.output.text);
    }
    return worst;
}

}  // namespace lumivex::ctl
