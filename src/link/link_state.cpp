#include "link_state.h"

#include "ddc_api.h"
#include "monitor_table.h"
#include "serial_byte_port.h"
#include "serial_mfc.h"

namespace lumivex {

LinkState::LinkState(DdcApi& ddc, const MonitorTable& monitors)
    : m_ddc(ddc)
    , m_monitors(monitors)
    , m_port(std::make_unique<CSerialMFC>())
{
}

LinkState::~LinkState()
{
    closePort();
}

void LinkState::replacePort(std::unique_ptr<CSerialMFC> port)
{
    closePort();
    m_port = port ? std::move(port) : std::make_unique<CSerialMFC>();
}

int32_t LinkState::closePort()
{
    return m_port->close();
}

void LinkState::send(const Command& command)
{
    switch (m_interfaceMode) {
    case InterfaceMode::None:
        return;
    case InterfaceMode::DdcCi:
        m_ddc.SetCIValue(m_monitors.first(), command.vcpCode, command.vcpValue);
        return;
    case InterfaceMode::Serial: {
        SerialBytePort bytes(*m_port);
        sendFrame(bytes, m_frame, command.serialCommand, command.serialValues());
        return;
    }
    }
}

int32_t LinkState::readVcp(uint8_t code, uint32_t& current)
{
    uint32_t value = 0;
    uint32_t maximum = 0;
    const int32_t status = m_ddc.GetCIValue(m_monitors.first(), code, &value, &maximum);
    if (status == 0)
        current = value;
    return status;
}

std::optional<int> LinkState::requestAndScan(ReadRequest request)
{
    SerialBytePort bytes(*m_port);
    return lumivex::requestAndScan(bytes, m_frame, m_receive, request, m_wait);
}

std::optional<SettingsReply> LinkState::readBackSettings()
{
    std::optional<SettingsReply> reply;
    if (const auto at = requestAndScan(requests::kSettings))
        reply = decodeSettingsReply(m_receive, *at);
    resetWritePosition();
    return reply;
}

std::optional<DisplayReply> LinkState::readBackDisplay()
{
    std::optional<DisplayReply> reply;
    if (const auto at = requestAndScan(requests::kDisplay))
        reply = decodeDisplayReply(m_receive, *at);
    resetWritePosition();
    return reply;
}

std::optional<ModelReply> LinkState::requestModel()
{
    if (const auto at = requestAndScan(requests::kModel))
        return decodeModelReply(m_receive, *at);
    return std::nullopt;
}

size_t LinkState::drain()
{
    SerialBytePort bytes(*m_port);
    return lumivex::drain(bytes, m_receive);
}

}  // namespace lumivex
