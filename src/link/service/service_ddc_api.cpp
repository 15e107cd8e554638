#include "link/service/service_ddc_api.h"

#include "link/service/service_controller.h"

namespace lumivex::service_link {

ServiceDdcApi::ServiceDdcApi(std::shared_ptr<ServiceController> controller, std::chrono::milliseconds replyWait)
    : m_controller(std::move(controller))
    , m_wait(replyWait)
{
}

int32_t ServiceDdcApi::EnumGetFirst(uint32_t* handle)
{
    *handle = kHandle;
    return 0;
}

int32_t ServiceDdcApi::EnumGetNext(uint32_t*)
{
    return kNoMoreMonitors;
}

int32_t ServiceDdcApi::GetCIValue(uint32_t, uint32_t vcp, uint32_t* current, uint32_t* maximum)
{
    if (vcp > 0xFF)
        return kServiceCallFailed;
    const auto reading = m_controller->getVcp(uint8_t(vcp), m_wait);
    if (!reading)
        return kServiceCallFailed;
    if (reading->status == 0) {
        *current = reading->current;
        *maximum = reading->maximum;
    }
    return reading->status;
}

int32_t ServiceDdcApi::SetCIValue(uint32_t, uint32_t vcp, uint32_t value)
{
    if (vcp > 0xFF)
        return kServiceCallFailed;
    return m_controller->setVcp(uint8_t(vcp), value, m_wait).value_or(kServiceCallFailed);
}

std::string ServiceDdcApi::statusName(int32_t status) const
{
    return status == kServiceCallFailed ? "the call to lumivexd failed" : std::string();
}

}  // namespace lumivex::service_link
