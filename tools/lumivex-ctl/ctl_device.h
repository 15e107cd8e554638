#pragma once
// What lumivex-ctl reads from the device: both read-backs, the model and
// the four sizes of ZEPTA.ini; the words it uses for their values.

#include "panel/display_rules.h"
#include "link/link_state.h"
#include "panel/setting_rules.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace lumivex {
class IniProfile;
}

namespace lumivex::ctl {

class CtlLink;
class CtlMessages;

// The words of each value, by index.
const QStringList& inputNames();     // vga component dvi
const QStringList& powerNames();     // off on
const QStringList& osdNames();       // unlock lock
const QStringList& rotationNames();  // normal rotated
const QStringList& maskNames();      // off on
const QStringList& modelNames();     // K410 K420

// The index of a word (any case) or a number in range; nullopt otherwise.
// "VCP 0xD6 could not be read (status -3013, DDCRC_REPORTED_UNSUPPORTED)"
QString refusedRead(LinkState& link, const VcpReadFailure& failure);
std::optional<int> pickName(const QStringList& names, const QString& text);
// "ABCD": GPIO-4 first, '1' for on.
QString bitsText(uint8_t bits);
// Four characters of 0 and 1; nullopt otherwise.
std::optional<uint8_t> parseBits(const QString& text);
// A label of the list, any case, or its index.
std::optional<int> pickLabel(const QStringList& labels, const QString& text);

struct Snapshot {
    int32_t model = -1;  // -1: not asked or not known
    SettingState setting;
    bool rotationKnown = false;  // the serial reply carries it, DDC/CI does not
    std::optional<GpioBits> gpio;
    DisplayState display;  // the read-back plus the sizes of ZEPTA.ini
};

// The exit code of a read-back that did not read.
int exitCodeFor(ReadBackOutcome outcome);
// Throws unless the read-back read every value it shows: a DDC/CI read the
// library refused (but `unshown`), a serial reply that never came or came
// damaged, or the messages' problem, each with the outcome's exit code.
void requireRead(ReadBackOutcome outcome, CtlLink& link, CtlMessages& messages, int unshown = -1);

// The model, throwing when it cannot be read.
int32_t readModel(CtlLink& link, CtlMessages& messages);
// Both read-backs, with the model already read (the sizes are the
// caller's). Throws kExitNoAnswer when either read-back fails.
Snapshot readSnapshot(CtlLink& link, CtlMessages& messages, int32_t model);

QString statusText(const Snapshot& snapshot);
QJsonObject statusJson(const Snapshot& snapshot, const QString& linkName);

}  // namespace lumivex::ctl
