#pragma once
// Tells when a device path comes, goes or has its permissions changed (a
// USB adapter plugged in or out, a link made or removed), without polling:
// the idle panel spends nothing on it. A path whose folder does not exist
// yet is watched from the nearest folder that does.

#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace lumivex {

class DeviceWatch : public QObject {
    Q_OBJECT
public:
    explicit DeviceWatch(QObject* parent = nullptr);
    ~DeviceWatch() override;

    // Watches these absolute paths in place of any before; others are passed
    // over. False when the system gives no watch: nothing is ever told then.
    // Touches no Qt object, so before start() another thread may call it
    // (and the changes from then on are told once started).
    bool watch(const std::vector<std::string>& paths);

    // Tells changes from now on, on this object's thread.
    void start();

signals:
    // A watched path was created, removed, renamed or had its attributes
    // changed; once for each path among the changes read together.
    void changed(const QString& path);

private:
    void readChanges();

    class Backend;
    std::unique_ptr<Backend> m_backend;
};

}  // namespace lumivex
