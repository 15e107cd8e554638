// lumivex: the configuration panel of the ZEPTA video-wall controller.

#include "platform/app_paths.h"
#include "command_line.h"
#include "app/corl_osd_app.h"
#include "link/ddc/ddc_library.h"
#include "display_start.h"
#include "platform/dialog_message_service.h"
#include "platform/exit_settle.h"
#include "app/sheet_osd.h"
#include "app/shown_reporter.h"

#include <QApplication>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// What --help and --version print, with an output that cannot be written
// (a full disk, a closed pipe) said and failed rather than lost.
int printAndEnd(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "lumivex: standard output: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    lumivex::settleThreadsAtExit();
    // Before QApplication, which needs a display.
    const lumivex::CommandLine command = lumivex::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
    case lumivex::CommandLineAction::ShowHelp:
        return printAndEnd(lumivex::helpText(
            lumivex::chooseIniPath(lumivex::iniLocationInputsFromEnvironment(lumivex::executableDirectory()))));
    case lumivex::CommandLineAction::ShowVersion:
        return printAndEnd(lumivex::versionText());
    case lumivex::CommandLineAction::Refuse:
        std::fprintf(stderr, "lumivex: %s\n", command.error.c_str());
        return 1;
    case lumivex::CommandLineAction::RunPanel:
        break;
    }

    lumivex::DisplayStartGuard displayStart;
    QApplication application(argc, argv);
    displayStart.release();
    QApplication::setApplicationName(QStringLiteral("Lumivex"));
    QApplication::setOrganizationName(QStringLiteral("ZEPTA"));

    lumivex::DdcLibrary ddc(lumivex::defaultDdcLibraryCandidates(lumivex::executableDirectory(),
                                                                 std::getenv("ZEPTA_DDCHELPER")));
    const std::unique_ptr<lumivex::MessageService> messages = lumivex::makeMessageServiceFromEnvironment();

    lumivex::CORL_OSDApp app(*messages, ddc);
    if (qEnvironmentVariableIsSet("ZEPTA_EXIT_WHEN_SHOWN"))
        app.setRunSheet([](lumivex::Sheet_OSD& sheet) { lumivex::runUntilShown(sheet); });
    return app.InitInstance();
}
