// lumivex: the configuration panel of the ZEPTA video-wall controller.

#include "app_paths.h"
#include "corl_osd_app.h"
#include "ddc_library.h"
#include "message_service.h"
#include "sheet_osd.h"
#include "shown_reporter.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
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
