#include "lumivex-ctl/fleet_folder.h"

#include "control/outcome.h"

#include <filesystem>

namespace lumivex::ctl {

using namespace control;

namespace {

bool keptInName(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '.' || u == '_'
        || u == '-';
}

}  // namespace

bool isFolderArgument(const QString& argument)
{
    if (argument.endsWith(QLatin1Char('/')))
        return true;
    std::error_code ec;
    return argument != QLatin1String("-") && std::filesystem::is_directory(argument.toStdString(), ec);
}

QString fleetFileName(const QString& linkId)
{
    QString name;
    bool inRun = false;
    for (const QChar c : linkId) {
        if (keptInName(c)) {
            name += c;
            inRun = false;
        } else if (!inRun) {
            name += QLatin1Char('-');
            inRun = true;
        }
    }
    while (name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    return name + QStringLiteral(".ini");
}

QString fleetFilePath(const QString& folder, const QString& linkId)
{
    return (folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/')) + fleetFileName(linkId);
}

void createFleetFolder(const QString& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder.toStdString(), ec);
    if (ec || !std::filesystem::is_directory(folder.toStdString()))
        fail(kExitUsage, QStringLiteral("save: %1: the folder cannot be made (%2)")
                             .arg(folder, QString::fromStdString(ec ? ec.message() : std::string("not a folder"))));
}

}  // namespace lumivex::ctl
