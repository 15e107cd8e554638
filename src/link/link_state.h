#pragma once
// The link state the sheet holds for every page: which link is open, the
// transmit frame, the serial port and the receive buffer; and the rules a
// page handler calls to send a command or read the device back.

#include "link/channel_rules.h"
#include "link/command_table.h"
#include "link/receive_buffer.h"
#include "link/replies.h"
#include "link/reply_wait.h"
#include "link/serial_frame.h"
#include "link/transaction_observer.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QObject;

namespace lumivex {

class BytePort;
class CSerialMFC;
class DdcApi;
class NetworkPort;
class PostedInputNotice;
struct MonitorTable;

enum class InterfaceMode : int32_t {
    None = 0,    // no link; commands are dropped silently
    DdcCi = 1,   // "DDC2Bi": VCP values on MonitorTable entry 0
    Serial = 2,  // a COM port: frames on the serial line
};

// A DDC/CI read the library refused: never a value.
struct VcpReadFailure {
    uint8_t code;
    int32_t status;
};

class LinkState {
public:
    // ddc and monitors belong to the sheet and outlive the link state.
    LinkState(DdcApi& ddc, const MonitorTable& monitors);
    // Closes the port before anything else goes.
    ~LinkState();
    LinkState(const LinkState&) = delete;
    LinkState& operator=(const LinkState&) = delete;

    InterfaceMode interfaceMode() const { return m_interfaceMode; }
    void setInterfaceMode(InterfaceMode mode) { m_interfaceMode = mode; }

    // The Interface page opens and closes it; its notifications go there.
    CSerialMFC& port() { return *m_port; }
    // Closes the current port and takes another (a test's fault-injecting one).
    void replacePort(std::unique_ptr<CSerialMFC> port);
    // Closes the serial port and the network link, whichever is open.
    int32_t closePort();

    // Opens a network link ("tcp://HOST:PORT", "rfc2217://HOST:PORT") in
    // the serial port's place; input is notified to notifyTarget as the
    // serial port's is. 0, or an errno value with networkProblem() saying
    // why in one line.
    int32_t openNetwork(const std::string& text, QObject* notifyTarget);
    const std::string& networkProblem() const { return m_networkProblem; }

    // Bytes go through this port instead of the serial port or a network
    // link (a controller the service holds) until the port closes.
    void attachBytePort(std::unique_ptr<BytePort> port);
    bool hasAttachedPort() const { return m_attached != nullptr; }

    // The service's exchange for a client: see exchangeBytes.
    std::vector<uint8_t> exchange(std::span<const uint8_t> request, std::chrono::milliseconds wait);

    const SerialFrame& transmitFrame() const { return m_frame; }
    ReceiveBuffer& receiveBuffer() { return m_receive; }
    const ReceiveBuffer& receiveBuffer() const { return m_receive; }

    // Sends by the current mode: nothing under None; one SetCIValue on
    // entry 0 under DdcCi; the frame, byte by byte, under Serial. Results
    // are not examined.
    void send(const Command& command);

    // GetCIValue on entry 0. current is written only when the status is 0,
    // so a failed read never hands unwritten output to the page; the
    // failure is kept in failedReads() for callers that must not go on.
    int32_t readVcp(uint8_t code, uint32_t& current);
    const MonitorTable& monitors() const { return m_monitors; }
    static constexpr size_t kKeptFailedReads = 32;
    const std::vector<VcpReadFailure>& failedReads() const { return m_failedReads; }
    void clearFailedReads() { m_failedReads.clear(); }
    // The library's name for a status, or empty when it gives none.
    std::string ddcStatusName(int32_t status) const;

    // The serial read-back: request, drain until the reply is whole or the
    // reply wait has passed, scan positions 0..500. With more than one try,
    // a read-back that took no reply starts again from an empty buffer.
    // The write position is otherwise left alone.
    std::optional<int> requestAndScan(ReadRequest request);
    // What the last serial read-back's scan found, and why it took nothing.
    const ReplyScan& lastReplyScan() const { return m_lastScan; }
    ReadRequest lastReadRequest() const { return m_lastRequest; }
    // How often a serial read-back is sent before the device counts as
    // silent: once for the panel, whose pages send each request once.
    void setReadBackTries(int tries) { m_tries = tries < 1 ? 1 : tries; }
    // The pages' read-backs: the reply's values are copied out first, then
    // the write position goes back to 0, found or not.
    std::optional<SettingsReply> readBackSettings();
    std::optional<DisplayReply> readBackDisplay();
    // The model query keeps the write position.
    std::optional<ModelReply> requestModel();

    // Moves what has arrived into the receive buffer (the Interface page's
    // notification handler); returns the number of bytes.
    size_t drain();
    // Back to position 0, clearing entries 0..255 with it.
    void resetWritePosition() { m_receive.resetWritePosition(); }

    // The longest a read-back waits for its reply; it blocks the caller's
    // thread, as the device expects. Until one is set, kDefaultReplyWait,
    // or kDefaultNetworkReplyWait while a network link is open.
    std::chrono::milliseconds replyWait() const;
    void setReplyWait(std::optional<std::chrono::milliseconds> wait) { m_wait = wait; }

    // Told of each read-back, DDC/CI read and write and client's exchange
    // awaiting an answer as it ends, and of each read-back sent again;
    // none: nobody. It outlives the link state.
    void setObserver(TransactionObserver* observer) { m_observer = observer; }

private:
    // The network link while one is open, else the serial port.
    template <typename Work>
    auto withBytes(Work&& work);
    void observe(TransactionResult result, std::chrono::steady_clock::time_point start) const;

    DdcApi& m_ddc;
    const MonitorTable& m_monitors;
    InterfaceMode m_interfaceMode = InterfaceMode::None;
    SerialFrame m_frame;
    std::unique_ptr<CSerialMFC> m_port;
    std::unique_ptr<NetworkPort> m_network;
    std::unique_ptr<BytePort> m_attached;
    std::unique_ptr<PostedInputNotice> m_networkNotice;
    std::string m_networkProblem;
    ReceiveBuffer m_receive;
    ReplyScan m_lastScan;
    ReadRequest m_lastRequest{};
    int m_tries = 1;
    std::vector<VcpReadFailure> m_failedReads;
    std::optional<std::chrono::milliseconds> m_wait;
    TransactionObserver* m_observer = nullptr;
};

}  // namespace lumivex
