#include "app/corl_osd_app.h"

#include "platform/app_paths.h"
#include "link/serial/com_port_map.h"
#include "link/ddc/ddc_api.h"
#include "platform/message_service.h"
#include "app/sheet_osd.h"

#include <cstdio>

namespace lumivex {

CORL_OSDApp::CORL_OSDApp(MessageService& messages, DdcApi& ddc)
    : m_messages(messages)
    , m_ddc(ddc)
    , m_runSheet([](Sheet_OSD& sheet) { sheet.exec(); })
{
}

CORL_OSDApp::~CORL_OSDApp() = default;

int CORL_OSDApp::InitInstance()
{
    // Held until the process ends, so a copy started later finds it.
    if (!m_instanceLock.tryAcquire()) {
        m_messages.info(QString::fromLatin1(kAlreadyRunning));
        return kExitAlreadyRunning;
    }

    m_ddc.InstallDriver(0, 1);  // its result is not the operator's concern

    if (m_applicationDirectory.empty())
        m_applicationDirectory = executableDirectory();
    m_profile = std::make_unique<IniProfile>(prepareIniPath(iniLocationInputsFromEnvironment(m_applicationDirectory)));
    // Read as unreadable: the sizes start empty and the file is never written.
    if (const std::string refusal = m_profile->refusal(); !refusal.empty())
        std::fprintf(stderr, "lumivex: %s\n", refusal.c_str());
    // COM names may be mapped to devices in section "Ports" of the same file.
    ComPortMap::global().setIniPath(m_profile->path());

    Sheet_OSD sheet(m_ddc, m_messages, *m_profile);
    m_runSheet(sheet);
    return 0;
}

}  // namespace lumivex
