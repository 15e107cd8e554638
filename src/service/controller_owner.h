#pragma once
// One controller's owner: its link, opened once and kept, and its queue.
// It lives on a thread of its own; every call from the bus is a job on its
// queue, done one at a time and answered from this thread, so a slow or
// silent controller holds up nobody else. A link that fails is closed and
// opened again after a back-off; a poll reads the status at the
// controller's interval.

#include "control/inventory.h"
#include "control/outcome.h"
#include "control/session.h"
#include "link/transaction_observer.h"
#include "service/status_values.h"
#include "service/write_values.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QTimer>
#include <QVariantMap>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace lumivex {
class DdcLibrary;
}

namespace lumivex::service {

struct OwnerOptions {
    QString iniPath;         // ZEPTA.ini
    QString stateDirectory;  // empty: nothing kept
    // Hears of each exchange with the controller, and of each change not
    // verified; none: nobody. It outlives the owner.
    TransactionObserver* observer = nullptr;
};

// The client name of the service's own reads.
inline constexpr char kServiceClient[] = "lumivexd";

// The name of a model index as the Model property gives it ("" unknown).
QString modelName(int32_t model);

// The error a failed call is answered with (its last part, after the
// service's prefix); a reply that came but did not add up is Damaged.
const char* errorNameFor(control::ExitCode code, bool damagedReply);

class ControllerOwner : public QObject {
    Q_OBJECT
public:
    ControllerOwner(control::InventoryEntry entry, OwnerOptions options, QDBusConnection bus);
    ~ControllerOwner() override;

    const control::InventoryEntry& entry() const { return m_entry; }
    bool isDdc() const { return m_entry.target.ddc; }
    // What the state file kept from before the start, if anything.
    const std::optional<KeptState>& kept() const { return m_kept; }

    // Any thread: the job runs on the owner's thread after those before it.
    void post(std::function<void()> job);

    // The owner's thread: the first opening, and the end (the link closed).
    void start();
    void stop();

    // What a job for a client off the bus ended with, when it failed:
    // the error as the bus names it (its last part) and its line.
    struct JobFailure {
        QString error;
        QString message;
    };
    // The owner's thread: work on the open session, as a bus call runs;
    // a link that failed is closed and reopened.
    std::optional<JobFailure> run(const std::function<void(control::Session&)>& work);
    // Within work: the status read now and told to every client (a value
    // that changed, and statusChanged); alsoReport as changed in any case.
    void readStatus(control::Session& session, const QString& client, const QStringList& alsoReport = {});

    // Jobs for the bus's calls, each answering its call.
    void status(const QDBusMessage& call);
    void set(const QDBusMessage& call, const QString& setting, const QString& value, uint flags);
    void apply(const QDBusMessage& call, const QString& setup);
    void save(const QDBusMessage& call);
    void exchange(const QDBusMessage& call, const QByteArray& request, uint waitMs);
    void getVcp(const QDBusMessage& call, uchar code);
    void setVcp(const QDBusMessage& call, uchar code, uint value);

Q_SIGNALS:
    void availabilityChanged(bool available);
    // An answer read: its time (ms since the epoch) and the model's name.
    void seen(qint64 time, const QString& model);
    void valueChanged(const QString& setting, const QVariant& value, const QString& client);
    // The whole status after each read (a poll too) or a client's write:
    // as status --json gives it, and the time of the read (ms since the epoch).
    void statusChanged(const QJsonObject& status, qint64 time);

private:
    void runQueue();
    void open();
    void drop(const QString& why);
    void scheduleReopen();
    void poll();
    void watch();
    // Runs work on the open session and sends what it returns; a failure
    // goes back as the bus's error, and closes a link that failed.
    void answer(const QDBusMessage& call, const std::function<QDBusMessage(control::Session&)>& work);
    bool linkFailed(const control::Failure& failure);
    bool damagedReply();
    bool portGone();
    // A client's own DDC/CI call, through the library the link's calls do not use.
    void observeVcp(int32_t status, std::chrono::steady_clock::time_point start) const;
    // After a status was read: the values that changed, the state file.
    void statusRead(const QJsonObject& status, const QString& client, const QStringList& alsoReport = {});
    // A client's raw write: what it changed, told to every client.
    void wrote(const WrittenValues& values, const QString& client);
    void keepState();
    void log(const QString& line) const;
    void flushNotes();

    std::mutex m_queueLock;
    std::deque<std::function<void()>> m_queue;  // the calls, in the order they came
    control::InventoryEntry m_entry;
    OwnerOptions m_options;
    QDBusConnection m_bus;
    QStringList m_notes;
    std::unique_ptr<control::Session> m_session;
    std::unique_ptr<DdcLibrary> m_vcp;  // GetVcp/SetVcp: the status and maximum the link's own calls drop
    bool m_available = false;
    int m_failures = 0;
    QString m_problem;  // why the link is not open
    QTimer* m_reopen;
    QTimer* m_poll;
    QTimer* m_watch;
    std::optional<QVariantMap> m_last;  // the last status read
    QJsonObject m_lastJson;
    qint64 m_lastTime = 0;
    std::optional<KeptState> m_kept;
    QString m_keepProblem;
};

}  // namespace lumivex::service
