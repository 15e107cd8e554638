#pragma once
// What apply does, as pure functions: the plan of what to send for a
// set-up file and the device's snapshot (validated, diffed, ordered), and
// the check of the snapshot read afterwards against what was wanted. No
// link, no process.

#include "link/command_table.h"
#include "control/snapshot.h"
#include "control/device_values.h"
#include "control/setup_file.h"

#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace lumivex::control {

// The values the file asks for; a field left out is not checked.
struct Wanted {
    std::optional<Input> input{};
    std::optional<Power> power{};
    std::optional<Osd> osd{};
    std::optional<Rotation> rotation{};
    std::optional<uint8_t> gpo{};
    std::optional<int32_t> resolution{};
    std::optional<int32_t> layout{};
    std::optional<Mask> mask{};
    std::optional<int32_t> hTenths{};
    std::optional<int32_t> vTenths{};
    std::array<std::optional<double>, 4> sizes{};  // in the order of kSizeKeys
};

struct Step {
    const char* field;               // "power", "input", ..., "sizes"
    std::optional<Command> command;  // none for the sizes of ZEPTA.ini
};

struct Plan {
    // Set when the file asks for what the device cannot be meant to do;
    // nothing is sent then.
    std::optional<QString> refusal;
    Wanted wanted;
    // In the order they are carried out; a wall switched on goes on first,
    // one switched off goes off last.
    std::vector<Step> steps;
    std::optional<DisplayState> sizes;  // the "sizes" step's values
    bool changes() const { return !steps.empty(); }
    QStringList changedFields() const;
};

// A field that did not take, each value as its name (or raw number).
struct Mismatch {
    QString field;  // "input", "h", "bezel width", ...
    QString wanted;
    QString got;
    bool operator==(const Mismatch&) const = default;
};

// The whole plan: validate, then diff, then order.
// ddc: DDC/CI, where the layout is a write of its own and the rotation
// cannot be read back (so what the file says of it is always sent).
Plan plan(const SetupFile& setup, const Snapshot& before, bool ddc);

// What the file wants of this device, or the refusal naming the file's
// line; the resolution and layout are looked up in the model's lists.
std::optional<QString> validate(const SetupFile& setup, const Snapshot& before, Wanted& wanted);
// The steps for what differs from the device, in the order of the fields;
// sizes gets the values of the "sizes" step.
std::vector<Step> diff(const Wanted& wanted, const Snapshot& before, bool ddc, std::optional<DisplayState>& sizes);
// A wall switched on goes on first; one switched off goes off last (the
// diff gives the power step last).
void order(std::vector<Step>& steps, const Wanted& wanted);

// One row per field that did not take.
std::vector<Mismatch> verify(const Wanted& wanted, const Snapshot& after);
// "input: wanted dvi, read back vga"
QString mismatchLine(const Mismatch& mismatch);
QStringList mismatchLines(const std::vector<Mismatch>& mismatches);

// The index a resolution or layout text of a file names: a label of the
// list (any case; a resolution without its "@60Hz" when only one matches),
// an index of the list, or a raw number up to 255 that a device reported.
std::optional<int32_t> pickListed(const QStringList& labels, const QString& text);

}  // namespace lumivex::control
