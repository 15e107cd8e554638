#include "lumivex-ctl/links_file.h"

#include "control/outcome.h"

#include <QFile>

#include <filesystem>

namespace lumivex::ctl {

using namespace control;

namespace {

[[noreturn]] void usage(const QString& line)
{
    fail(kExitUsage, line);
}

// A list of links is a small regular file: a device or a pipe is refused
// before it is read.
constexpr qint64 kMaxLinksFile = 64 * 1024;

}  // namespace

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

}  // namespace lumivex::ctl
