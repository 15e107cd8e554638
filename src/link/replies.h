#pragma once
// The read-back exchanges of the serial line: the request command, the
// length of the reply it brings, and what the reply's entries mean. The
// values are taken from the receive buffer as stored (signed); the pages
// decide how to map them. The reply's last byte is its checksum: the scan
// takes a reply only when all its bytes sum to zero.

#include "link/protocol.h"
#include "link/receive_buffer.h"

#include <cstdint>

namespace lumivex {

struct ReadRequest {
    uint8_t command;
    uint8_t replyLength;
};

namespace requests {
inline constexpr ReadRequest kSettings{protocol::kCmdSettingsRequest, protocol::kSettingsReplyLength};
inline constexpr ReadRequest kDisplay{protocol::kCmdDisplayRequest, protocol::kDisplayReplyLength};
inline constexpr ReadRequest kModel{protocol::kCmdModelRequest, protocol::kModelReplyLength};
}  // namespace requests

struct SettingsReply {
    int32_t inputSource;
    int32_t power;
    int32_t osdLock;
    int32_t rotation;  // 0 normal, 2 rotated
    int32_t gpiBits;   // bits 0..3: GPI-1..GPI-4
    int32_t gpoBits;   // bits 0..3: GPO-1..GPO-4
};

struct DisplayReply {
    int32_t resolution;
    int32_t displayMode;
    int32_t hTenths;
    int32_t vTenths;
    int32_t maskOn;
};

struct ModelReply {
    int32_t model;  // 1 means the second model
};

// position is where the reply's header was found (0..500).
SettingsReply decodeSettingsReply(const ReceiveBuffer& buffer, int position);
DisplayReply decodeDisplayReply(const ReceiveBuffer& buffer, int position);
ModelReply decodeModelReply(const ReceiveBuffer& buffer, int position);

}  // namespace lumivex
