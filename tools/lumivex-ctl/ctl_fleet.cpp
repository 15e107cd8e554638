#include "lumivex-ctl/ctl_fleet.h"

#include "control/outcome.h"
#include "lumivex-ctl/service_access.h"
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

void runOne(const Request& request, const VerbEntry& verb, LinkResult& result, ServiceAccess* services)
{
    try {
        // The DDC/CI library keeps one list of monitors for the process;
        // the service runs each controller's calls on its own queue.
        std::unique_lock<std::mutex> turn;
        if (result.target && result.target->ddc && !result.held)
            turn = std::unique_lock(ddcTurn());
        std::function<HeldLink(const LinkTarget&)> throughService;
        if (result.held && services)
            throughService = [services, held = *result.held](const LinkTarget&) { return services->open(held); };
        runVerb(request, verb, result.target, result.output, std::move(throughService));
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

// An error line names its link (or controller) once.
QString namedFailure(const LinkResult& r, bool several)
{
    if (!several || !r.target)
        return r.failure;
    const QString label = r.target->label();
    const QString head = r.target->name + QStringLiteral(": ");
    if (r.failure.startsWith(head))
        return label + QStringLiteral(": ") + r.failure.mid(head.size());
    // "COM1 is in use by another program" names it already.
    if (r.target->name == label && r.failure.startsWith(label + QLatin1Char(' ')))
        return r.failure;
    return label + QStringLiteral(": ") + r.failure;
}

// Which links go through lumivexd, asked before the links' threads start.
// A service that fails to answer ends the run as a link would.
void routeThroughService(const Request& request, std::vector<LinkResult>& results, ServiceAccess& services)
{
    if (request.direct)
        return;
    for (LinkResult& result : results)
        if (result.target)
            result.held = services.heldFor(*result.target);
}

// --direct could not open a link: when lumivexd holds it, that is why.
void nameTheHolder(const Request& request, std::vector<LinkResult>& results, ServiceAccess& services)
{
    if (!request.direct)
        return;
    for (LinkResult& result : results) {
        if (result.code != kExitNoLink || !result.target)
            continue;
        try {
            if (const auto held = services.heldFor(*result.target))
                result.failure = QStringLiteral("%1 is held by lumivexd (controller %2); leave out --direct")
                                     .arg(result.target->ddc ? result.target->id : result.target->name, held->name);
        } catch (const Failure&) {
            // The link's own reason stands.
        }
    }
}

// One JSON Lines record: what the verb said, with the link and how it
// ended, whatever the number of links.
QString jsonLine(const LinkResult& r)
{
    QJsonObject object = r.output.json.value_or(QJsonObject{});
    object.insert(QStringLiteral("link"), r.target ? QJsonValue(r.target->id) : QJsonValue());
    if (r.target && !r.target->controller.isEmpty())
        object.insert(QStringLiteral("controller"), r.target->controller);
    object.insert(QStringLiteral("exit"), r.code);
    if (r.code != kExitOk)
        object.insert(QStringLiteral("error"), namedFailure(r, true));
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + QLatin1Char('\n');
}

}  // namespace

std::vector<LinkResult> runOnLinks(const Request& request, ServiceAccess* services)
{
    const VerbEntry* verb = findVerb(request.verb);
    if (!verb)
        fail(kExitUsage, QStringLiteral("unknown verb '%1' (see --help)").arg(request.verb));
    std::vector<LinkResult> results(std::max<size_t>(1, request.links.size()));
    for (size_t i = 0; i < request.links.size(); ++i)
        results[i].target = request.links[i];
    if (services && !request.links.empty())
        routeThroughService(request, results, *services);
    if (results.size() == 1) {
        runOne(request, *verb, results.front(), services);
    } else {
        std::vector<std::thread> threads;
        threads.reserve(results.size());
        for (LinkResult& result : results)
            threads.emplace_back([&request, verb, &result, services] { runOne(request, *verb, result, services); });
        for (std::thread& thread : threads)
            thread.join();
    }
    if (services)
        nameTheHolder(request, results, *services);
    return results;
}

ExitCode report(const Request& request, const std::vector<LinkResult>& results, std::FILE* out, std::FILE* err)
{
    const bool several = results.size() > 1;
    ExitCode worst = kExitOk;
    for (const LinkResult& r : results) {
        worst = std::max(worst, r.code);
        const QString link = r.target ? r.target->label() : QString();
        for (const QString& note : r.output.notes)
            put(err, QStringLiteral("lumivex-ctl: %1%2\n").arg(several ? link + QStringLiteral(": ") : QString(), note));
        if (!r.failure.isEmpty())
            put(err, QStringLiteral("lumivex-ctl: %1\n").arg(namedFailure(r, several)));
        if (request.json)
            put(out, jsonLine(r));
        else
            put(out, several ? prefixed(link, r.output.text) : r.output.text);
    }
    return worst;
}

}  // namespace lumivex::ctl
