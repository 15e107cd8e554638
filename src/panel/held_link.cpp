#include "panel/held_link.h"

#include "link/byte_port.h"
#include "link/link_state.h"
#include "panel/link_messages.h"
#include "platform/message_service.h"

namespace lumivex {

DdcRoute::DdcRoute(DdcApi& local)
    : m_local(local)
{
}

void DdcRoute::use(std::unique_ptr<DdcApi> held)
{
    m_held = std::move(held);
}

namespace {

void reportOpened(MessageService& messages, const QString& name)
{
    messages.notice(QString::fromLatin1(link_messages::kOpenedHead) + name
                    + QString::fromLatin1(link_messages::kOpenedTail));
}

}  // namespace

LoadResult loadHeldSerial(LinkState& link, MessageService& messages, const QString& name, std::unique_ptr<BytePort> port)
{
    link.attachBytePort(std::move(port));
    reportOpened(messages, name);
    link.setInterfaceMode(InterfaceMode::Serial);
    // As for a port: what the last link left must not name this one.
    link.resetWritePosition();
    return LoadResult::Loaded;
}

LoadResult loadHeldDdc(LinkState& link, MessageService& messages, DdcRoute& route, const QString& name,
                       std::unique_ptr<DdcApi> ddc)
{
    link.closePort();
    route.use(std::move(ddc));
    uint32_t value = 0;
    if (link.readVcp(kDdcProbeVcp, value) != 0) {
        route.use(nullptr);
        link.setInterfaceMode(InterfaceMode::None);
        messages.info(QString::fromLatin1(link_messages::kDdcFail));
        return LoadResult::Failed;
    }
    reportOpened(messages, name);
    link.setInterfaceMode(InterfaceMode::DdcCi);
    return LoadResult::Loaded;
}

}  // namespace lumivex
