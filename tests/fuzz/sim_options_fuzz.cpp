// libFuzzer target: zepta-sim's command line. The input is the arguments,
// each ended by a NUL byte. Parsing never crashes; it either names the
// mistake, or gives options the simulator can serve with.

#include "fuzz_require.h"
#include "sim/zepta-sim/sim_options.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace lumivex;
using namespace lumivex::sim;

using lumivex::fuzz::require;

namespace {

std::vector<std::string> arguments(const uint8_t* data, size_t size)
{
    std::vector<std::string> out;
    const char* text = reinterpret_cast<const char*>(data);
    for (size_t start = 0; start < size;) {
        const size_t length = strnlen(text + start, size - start);
        out.emplace_back(text + start, length);
        start += length + 1;
    }
    return out;
}

bool known(Garble g)
{
    return g == Garble::None || g == Garble::Truncate || g == Garble::Length || g == Garble::High;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ParsedOptions parsed = parseSimOptions(arguments(data, size));
    if (!parsed.options) {
        require(!parsed.error.empty(), "a refusal that names no mistake");
        return 0;
    }
    const SimOptions& o = *parsed.options;
    require(parsed.error.empty(), "options taken with an error");
    require(o.model == device::Model::K410 || o.model == device::Model::K420, "an unknown model");
    require(o.gpiBits <= 15, "gpi beyond four inputs");
    require(o.noiseBytes >= 0 && o.noiseBytes <= 4096, "noise beyond 0..4096");
    require(o.delayMs >= 0 && o.delayMs <= 60000, "a delay beyond 0..60000 ms");
    require(known(o.garble), "an unknown garble");
    return 0;
}
