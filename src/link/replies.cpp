#include "link/replies.h"

namespace lumivex {

// Values start after the two header entries.
SettingsReply decodeSettingsReply(const ReceiveBuffer& b, int p)
{
    return {b.entry(p + 2), b.entry(p + 3), b.entry(p + 4), b.entry(p + 5), b.entry(p + 6), b.entry(p + 7)};
}

// The tenths are counts from 0 to 255: the entry's sign is no part of them
// (147 tenths are 14.7 %, never -10.9 %).
DisplayReply decodeDisplayReply(const ReceiveBuffer& b, int p)
{
    return {b.entry(p + 2), b.entry(p + 3), b.entry(p + 4) & 0xFF, b.entry(p + 5) & 0xFF, b.entry(p + 6)};
}

ModelReply decodeModelReply(const ReceiveBuffer& b, int p)
{
    return {b.entry(p + 2)};
}

}  // namespace lumivex
