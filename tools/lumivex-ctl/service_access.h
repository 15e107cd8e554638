#pragma once
// lumivex-ctl and lumivexd: which links go through the service, and the
// way through it. The bus is only touched when a link is to be opened, and
// the application object QtDBus needs is made only then.

#include "control/controller_link.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QCoreApplication;

namespace lumivex::service_link {
class ServiceDirectory;
struct HeldController;
}  // namespace lumivex::service_link

namespace lumivex::ctl {

// The longest a DDC/CI read or write through the service takes before the
// call's slack: the library's own retries happen inside it.
inline constexpr std::chrono::milliseconds kServiceDdcWait{4000};

class ServiceAccess {
public:
    ServiceAccess();
    ~ServiceAccess();
    ServiceAccess(const ServiceAccess&) = delete;
    ServiceAccess& operator=(const ServiceAccess&) = delete;

    // The controller the service holds that the target names (by its name,
    // else by the same device or address); none when the service is not
    // running. A failed call to the service throws its Failure.
    std::optional<service_link::HeldController> heldFor(const control::LinkTarget& target);

    // Opens a held controller through the service: a byte port or a DDC/CI
    // api whose failures throw (exit 5 when refused, 2 when unanswered).
    control::HeldLink open(const service_link::HeldController& held);

private:
    service_link::ServiceDirectory& directory();

    std::mutex m_lock;
    int m_argc = 1;
    char m_name[12] = "lumivex-ctl";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QCoreApplication> m_application;
    std::unique_ptr<service_link::ServiceDirectory> m_directory;
};

}  // namespace lumivex::ctl
