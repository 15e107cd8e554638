#pragma once
// The DDC/CI operations over lumivexd's GetVcp and SetVcp, for a DDC/CI
// controller the service holds: one monitor, the one it opened.

#include "link/ddc/ddc_api.h"

#include <chrono>
#include <cstdint>
#include <memory>

namespace lumivex::service_link {

class ServiceController;

// Status of a read or write whose call to the service failed (the policy
// was told why).
inline constexpr int32_t kServiceCallFailed = -0x5E5;

class ServiceDdcApi : public DdcApi {
public:
    // Each call waits replyWait + 1 s for the service.
    ServiceDdcApi(std::shared_ptr<ServiceController> controller, std::chrono::milliseconds replyWait);

    int32_t InstallDriver(int32_t, int32_t) override { return 0; }
    int32_t InitDDCHelper() override { return 0; }
    int32_t EnumGetFirst(uint32_t* handle) override;
    int32_t EnumGetNext(uint32_t* handle) override;
    int32_t GetCIValue(uint32_t handle, uint32_t vcp, uint32_t* current, uint32_t* maximum) override;
    int32_t SetCIValue(uint32_t handle, uint32_t vcp, uint32_t value) override;
    std::string statusName(int32_t status) const override;

    static constexpr uint32_t kHandle = 1;
    static constexpr int32_t kNoMoreMonitors = 1;

private:
    std::shared_ptr<ServiceController> m_controller;
    std::chrono::milliseconds m_wait;
};

}  // namespace lumivex::service_link
