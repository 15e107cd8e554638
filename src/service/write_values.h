#pragma once
// What a client's raw write changes, named as Status names it: a VCP write
// (SetVcp) or a serial command frame (Exchange), each setting with its new
// value as Status would give it. Reads, functions and frames that are not
// whole give nothing.

#include <QString>
#include <QVariant>

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace lumivex::service {

using WrittenValues = std::vector<std::pair<QString, QVariant>>;

// model: the controller's model index (-1 unknown), for the layout's label.
WrittenValues vcpWriteValues(uint8_t code, uint32_t value, int32_t model);
WrittenValues frameWriteValues(std::span<const uint8_t> frame, int32_t model);

// Whether what came back holds the whole reply to a read request; true for
// anything else, which is owed no reply.
bool wholeReplyTo(std::span<const uint8_t> request, std::span<const uint8_t> got);

}  // namespace lumivex::service
