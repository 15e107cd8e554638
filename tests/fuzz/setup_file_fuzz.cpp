// libFuzzer target: the set-up file lumivex-ctl apply reads. Whatever the
// file holds, reading it never crashes; it either fails with a usage line,
// or every value it gives is one the device and ZEPTA.ini take. The file
// is kept in memory (a memfd) and read through its /proc path, so the
// parser reads it as it reads any file and nothing touches the disk.

#include "control/value_names.h"
#include "control/outcome.h"
#include "panel/display_rules.h"
#include "fuzz_require.h"
#include "control/setup_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>

using namespace lumivex;
using namespace lumivex::control;

using lumivex::fuzz::require;

namespace {

template <typename T>
bool lineKept(const Field<T>& field)
{
    return field.value ? field.line >= 1 : field.line == 0;
}

bool named(const Field<int>& field, const QStringList& names)
{
    return lineKept(field) && (!field.value || (*field.value >= 0 && *field.value < names.size()));
}

// A name's index, or the raw byte a device reported and save wrote.
template <typename E>
bool byteValue(const Field<E>& field)
{
    return lineKept(field) && (!field.value || (static_cast<int>(*field.value) >= 0 && static_cast<int>(*field.value) <= 255));
}

bool text(const Field<QString>& field)
{
    return lineKept(field) && (!field.value || (!field.value->isEmpty() && *field.value == field.value->trimmed()));
}

// Tenths of a percent: what a device can hold, a byte.
bool tenths(const Field<int32_t>& field)
{
    return lineKept(field) && (!field.value || (*field.value >= 0 && *field.value <= kMaxStoredTenths));
}

bool size(const Field<double>& field)
{
    return lineKept(field) && (!field.value || (std::isfinite(*field.value) && *field.value >= 0
                                                && *field.value <= kMaxSize));
}

void checkTaken(const SetupFile& f, const QString& path)
{
    require(f.path == path, "the path is not the one read");
    require(named(f.model, modelNames()), "a model outside its list");
    require(byteValue(f.input) && byteValue(f.power) && byteValue(f.osd) && byteValue(f.rotation) && byteValue(f.mask),
            "a value beyond a byte");
    require(lineKept(f.gpo) && (!f.gpo.value || *f.gpo.value <= 0xF), "gpo beyond four outputs");
    require(text(f.resolution) && text(f.layout), "an empty or untrimmed resolution or layout");
    require(tenths(f.hTenths) && tenths(f.vTenths), "a mask beyond 0..25.5 %");
    for (const Field<double>& s : f.sizes)
        require(size(s), "a size beyond 0..kMaxSize");
}

int memoryFile()
{
    static const int fd = memfd_create("setup_file_fuzz", MFD_CLOEXEC);
    require(fd >= 0, "no memfd");
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int fd = memoryFile();
    require(ftruncate(fd, 0) == 0 && pwrite(fd, data, size, 0) == ssize_t(size), "cannot fill the memfd");
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    try {
        checkTaken(readSetupFile(path), path);
    } catch (const Failure& failure) {
        require(failure.code == kExitUsage && !failure.line.isEmpty(), "a refusal that is not a usage line");
    }
    return 0;
}
