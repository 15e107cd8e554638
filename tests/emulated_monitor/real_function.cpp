#include "real_function.h"

#include "emulator_instance.h"

namespace lumivex::emulator {

void* findRealFunction(const char* name, const char* library)
{
    if (void* next = ::dlsym(RTLD_NEXT, name))
        return next;
    if (library) {
        void* handle = ::dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
        if (!handle)
            handle = ::dlopen(library, RTLD_LAZY);
        if (void* found = handle ? ::dlsym(handle, name) : nullptr)
            return found;
    }
    stopWithMessage(std::string("no real ") + name + " to pass the call on to");
}

}  // namespace lumivex::emulator
