#include "link/serial/event_type_registry.h"

#include <map>
#include <mutex>
#include <string>

namespace lumivex {

QEvent::Type registeredEventType(std::string_view name)
{
    // Function-local, so the table exists before any static initialiser of
    // another file asks for a type.
    static std::mutex lock;
    static std::map<std::string, QEvent::Type, std::less<>> types;
    std::lock_guard guard(lock);
    if (const auto found = types.find(name); found != types.end())
        return found->second;
    const int raw = QEvent::registerEventType();
    if (raw < 0)
        return QEvent::None;
    const auto type = static_cast<QEvent::Type>(raw);
    types.emplace(std::string(name), type);
    return type;
}

}  // namespace lumivex
