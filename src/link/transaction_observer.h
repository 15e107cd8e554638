#pragma once
// Who hears of each exchange with the device as it ends, and of each
// request sent again: the service's metrics. Called on the link's own
// thread while the exchange's caller waits, so an observer must be cheap
// and must not block.

#include <chrono>

namespace lumivex {

enum class TransactionResult {
    Ok,           // the answer came whole
    NoReply,      // nothing that looked like the answer came within the wait
    Damaged,      // an answer came incomplete or with a bad checksum
    Refused,      // the DDC/CI library or the monitor refused the request
    NotVerified,  // a change whose read-back differs from what was sent
};
inline constexpr int kTransactionResults = 5;

class TransactionObserver {
public:
    virtual ~TransactionObserver() = default;
    virtual void onTransaction(TransactionResult result, std::chrono::nanoseconds duration) = 0;
    // A read-back that took no reply is about to be sent again.
    virtual void onRetry() = 0;
};

}  // namespace lumivex
