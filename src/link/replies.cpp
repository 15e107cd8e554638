#include "replies.h"

namespace lumivex {

// Values start after the two header entries.
SettingsReply decodeSettingsReply(const ReceiveBuffer& b, int p)
{
    return {b.entry(p + 2), b.entry(p + 3), b.entry(p + 4), b.entry(p + 5), b.entry(p + 6), b.entry(p + 7)};
}

DisplayReply decodeDisplayReply(const ReceiveBuffer& b, int p)
{
    return {b.entry(p + 2), b.entry(p + 3), b.entry(p + 4), b.entry(p + 5), b.entry(p + 6)};
}

ModelReply decodeModelReply(const ReceiveBuffer& b, int p)
{
    return {b.entry(p + 2)};
}

}  // namespace lumivex
