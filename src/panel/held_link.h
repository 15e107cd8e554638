#pragma once
// Loading a controller lumivexd holds, once its port or DDC/CI operations
// have been made: the link then runs as for a port of its kind, and the
// messages name the controller. The bus calls themselves live above, in
// service_entries.

#include "link/ddc/ddc_api.h"
#include "panel/link_loader.h"

#include <memory>

namespace lumivex {

class BytePort;

// The DDC/CI operations the link is built on: the panel's own library, or
// a held controller's while one is loaded. Switched only while the link is
// idle or by its own worker.
class DdcRoute final : public DdcApi {
public:
    explicit DdcRoute(DdcApi& local);

    // Null goes back to the local library.
    void use(std::unique_ptr<DdcApi> held);
    bool isHeld() const { return m_held != nullptr; }

    int32_t InstallDriver(int32_t a, int32_t b) override { return current().InstallDriver(a, b); }
    int32_t InitDDCHelper() override { return current().InitDDCHelper(); }
    int32_t EnumGetFirst(uint32_t* handle) override { return current().EnumGetFirst(handle); }
    int32_t EnumGetNext(uint32_t* handle) override { return current().EnumGetNext(handle); }
    int32_t GetCIValue(uint32_t handle, uint32_t vcp, uint32_t* value, uint32_t* maximum) override
    {
        return current().GetCIValue(handle, vcp, value, maximum);
    }
    int32_t SetCIValue(uint32_t handle, uint32_t vcp, uint32_t value) override
    {
        return current().SetCIValue(handle, vcp, value);
    }
    std::string statusName(int32_t status) const override { return current().statusName(status); }

private:
    DdcApi& current() const { return m_held ? *m_held : m_local; }

    DdcApi& m_local;
    std::unique_ptr<DdcApi> m_held;
};

// A serial controller: its bytes go through port. Loaded at once; the
// service answers for the line.
LoadResult loadHeldSerial(LinkState& link, MessageService& messages, const QString& name, std::unique_ptr<BytePort> port);

// A DDC/CI controller: ddc is taken into route and probed as "DDC2Bi" is.
// A failed probe puts the local library back.
LoadResult loadHeldDdc(LinkState& link, MessageService& messages, DdcRoute& route, const QString& name,
                       std::unique_ptr<DdcApi> ddc);

}  // namespace lumivex
