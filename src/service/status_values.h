#pragma once
// The status object as the bus carries it (a{sv}: no nulls, whole numbers
// as integers), the values that changed between two of them, and the state
// file kept for each controller across restarts.

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace lumivex::service {

// The JSON object as a{sv}: a null value is left out (the bus has none),
// "link" too (the caller knows it); numbers are integers but for "sizes".
QVariantMap statusMap(const QJsonObject& status);

// The keys whose values differ, in the order of `after`; every key of
// `after` when there was nothing before.
QStringList changedKeys(const std::optional<QVariantMap>& before, const QVariantMap& after);

struct KeptState {
    QJsonObject status;   // as status --json, without "link"
    qint64 time = 0;      // ms since the epoch of the read
    bool available = false;
};

QByteArray stateFileText(const KeptState& state);
// The state file's text back, or why it is not one (another program's, cut short).
std::optional<KeptState> parseStateFile(const QByteArray& text, QString& why);

}  // namespace lumivex::service
