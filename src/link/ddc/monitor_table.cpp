#include "link/ddc/monitor_table.h"

namespace lumivex {

void enumerateMonitors(DdcApi& ddc, MonitorTable& table)
{
    table.count = 0;
    if (ddc.EnumGetFirst(&table.handles[0]) != 0)
        return;
    table.count = 1;
    while (table.count < MonitorTable::kCapacity
           && ddc.EnumGetNext(&table.handles[static_cast<std::size_t>(table.count)]) == 0) {
        ++table.count;
    }
}

}  // namespace lumivex
