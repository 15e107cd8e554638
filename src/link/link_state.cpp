#include "link/link_state.h"

#include "link/ddc/ddc_api.h"
#include "link/net/network_address.h"
#include "link/ddc/monitor_table.h"
#include "link/net/network_port.h"
#include "link/posted_input_notice.h"
#include "link/serial_byte_port.h"
#include "link/serial/serial_mfc.h"

#include <cerrno>

namespace lumivex {

LinkState::LinkState(DdcApi& ddc, const MonitorTable& monitors)
    : m_ddc(ddc)
    , m_monitors(monitors)
    , m_port(std::make_unique<CSerialMFC>())
    , m_network(std::make_unique<NetworkPort>())
{
}

template <typename Work>
auto LinkState::withBytes(Work&& work)
{
    if (m_attached)
        return work(*m_attached);
    if (m_network->isOpen())
        return work(static_cast<BytePort&>(*m_network));
    SerialBytePort bytes(*m_port);
    return work(static_cast<BytePort&>(bytes));
}

void LinkState::observe(TransactionResult result, std::chrono::steady_clock::time_point start) const
{
    if (m_observer)
        m_observer->onTransaction(result, std::chrono::steady_clock::now() - start);
}

namespace {

TransactionResult scanResult(const ReplyScan& scan)
{
    if (scan.position)
        return TransactionResult::Ok;
    return scan.fault == ReplyFault::Incomplete || scan.fault == ReplyFault::BadChecksum ? TransactionResult::Damaged
                                                                                          : TransactionResult::NoReply;
}

TransactionResult ddcResult(int32_t status)
{
    // The library's statuses are its own; any but 0 is the request refused.
    return status == 0 ? TransactionResult::Ok : TransactionResult::Refused;
}

}  // namespace

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
    m_attached.reset();
    // The reader thread ends before the notice it calls goes.
    m_network->close();
    m_networkNotice.reset();
    return m_port->close();
}

int32_t LinkState::openNetwork(const std::string& text, QObject* notifyTarget)
{
    closePort();
    const NetworkAddressParse parsed = parseNetworkAddress(text);
    if (!parsed.address) {
        m_networkProblem = parsed.error;
        return EINVAL;
    }
    // A slow network's replies get the reply wait, as a slow device's do.
    const NetworkPort::Timing timing;
    m_networkNotice = std::make_unique<PostedInputNotice>(notifyTarget);
    const int32_t status =
        m_network->open(*parsed.address, timing, [notice = m_networkNotice.get()] { notice->post(); });
    m_networkProblem = m_network->problem();
    if (status != 0)
        m_networkNotice.reset();
    return status;
}


void LinkState::send(const Command& command)
{
    switch (m_interfaceMode) {
    case InterfaceMode::None:
        return;
    case InterfaceMode::DdcCi: {
        const auto start = std::chrono::steady_clock::now();
        observe(ddcResult(m_ddc.SetCIValue(m_monitors.first(), command.vcpCode, command.vcpValue)), start);
        return;
    }
    case InterfaceMode::Serial:
        withBytes([&](BytePort& bytes) { sendFrame(bytes, m_frame, command.serialCommand, command.serialValues()); });
        return;
    }
}

void LinkState::attachBytePort(std::unique_ptr<BytePort> port)
{
    closePort();
    m_attached = std::move(port);
}

std::vector<uint8_t> LinkState::exchange(std::span<const uint8_t> request, std::chrono::milliseconds wait)
{
    const auto start = std::chrono::steady_clock::now();
    std::vector<uint8_t> got = withBytes([&](BytePort& bytes) { return exchangeBytes(bytes, request, wait); });
    // Only a read request awaits an answer; anything else is sent and done.
    const std::optional<ReadRequest> read = readRequestOf(request);
    if (read && wait.count() > 0) {
        ReceiveBuffer seen;
        seen.append(got);
        observe(scanResult(seen.scanForReply(read->replyLength, read->command)), start);
    }
    return got;
}

int32_t LinkState::readVcp(uint8_t code, uint32_t& current)
{
    uint32_t value = 0;
    uint32_t maximum = 0;
    const auto start = std::chrono::steady_clock::now();
    const int32_t status = m_ddc.GetCIValue(m_monitors.first(), code, &value, &maximum);
    observe(ddcResult(status), start);
    if (status == 0)
        current = value;
    else {
        // A panel that never asks keeps only the latest few.
        if (m_failedReads.size() >= kKeptFailedReads)
            m_failedReads.erase(m_failedReads.begin());
        m_failedReads.push_back({code, status});
    }
    return status;
}

std::string LinkState::ddcStatusName(int32_t status) const
{
    return m_ddc.statusName(status);
}

std::optional<int> LinkState::requestAndScan(ReadRequest request)
{
    m_lastRequest = request;
    for (int attempt = 1;; ++attempt) {
        const auto start = std::chrono::steady_clock::now();
        m_lastScan = withBytes(
            [&](BytePort& bytes) { return lumivex::requestAndScan(bytes, m_frame, m_receive, request, replyWait()); });
        observe(scanResult(m_lastScan), start);
        if (m_lastScan.position || attempt >= m_tries)
            return m_lastScan.position;
        // What came was no reply; the next one is looked for alone.
        resetWritePosition();
        if (m_observer)
            m_observer->onRetry();
    }
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

std::chrono::milliseconds LinkState::replyWait() const
{
    return m_wait.value_or(m_network->isOpen() || m_attached ? kDefaultNetworkReplyWait : kDefaultReplyWait);
}

size_t LinkState::drain()
{
    return withBytes([&](BytePort& bytes) { return lumivex::drain(bytes, m_receive); });
}

}  // namespace lumivex
