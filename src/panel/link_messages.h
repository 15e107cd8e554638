#pragma once
// What the operator is told about the link, word for word.

namespace lumivex::link_messages {

inline constexpr const char* kDdcFail = "Check DDC Port Fail";
inline constexpr const char* kDdcOpened = "Open DDC2BI successfully";
// Followed by the port's name and kUnableToOpenTail.
inline constexpr const char* kUnableToOpen = "Unable to open ";
inline constexpr const char* kUnableToOpenTail = " and unload comport ";
// "Open " + port + " successfully".
inline constexpr const char* kOpenedHead = "Open ";
inline constexpr const char* kOpenedTail = " successfully";
inline constexpr const char* kLineSettingFail = "Unable to set COM-port setting";
inline constexpr const char* kHandshakeFail = "Unable to set COM-port handshaking";
inline constexpr const char* kUnloaded = "Unload all devices";

// A read-back or model query with no link open.
inline constexpr const char* kNoLink = "Interface port unload";
// A page's guard read failed under DDC/CI.
inline constexpr const char* kDdcReadFail = "Check DDC port fail";
// No reply header in the receive buffer under the serial link.
inline constexpr const char* kSerialReadFail = "Read RS232 Data Fail";

}  // namespace lumivex::link_messages
