/* The DDC/CI library's interface: six functions exported unmangled from a
 * shared library (libDDCHelper.so here, DDCHelper.dll on Windows) that the
 * panel loads at run time. Every function returns 0 on success. */
#ifndef LUMIVEX_DDCHELPER_H
#define LUMIVEX_DDCHELPER_H

#include <stdint.h>

#ifdef _WIN32
#define DDCHELPER_CALL __stdcall
#define DDCHELPER_EXPORT __declspec(dllexport)
#else
#define DDCHELPER_CALL
#define DDCHELPER_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Makes the DDC/CI transport available; the panel ignores the result. */
DDCHELPER_EXPORT int32_t DDCHELPER_CALL InstallDriver(int32_t a, int32_t b);
/* Prepares the library; the panel reports a non-zero result as "Error #%X". */
DDCHELPER_EXPORT int32_t DDCHELPER_CALL InitDDCHelper(void);
/* Writes the first monitor's handle; non-zero when there is none. */
DDCHELPER_EXPORT int32_t DDCHELPER_CALL EnumGetFirst(uint32_t* handle);
/* Writes the next monitor's handle; non-zero ends the enumeration. */
DDCHELPER_EXPORT int32_t DDCHELPER_CALL EnumGetNext(uint32_t* handle);
/* Reads a non-table VCP value; both outputs are written only on success. */
DDCHELPER_EXPORT int32_t DDCHELPER_CALL GetCIValue(uint32_t handle, uint32_t vcp,
                                                   uint32_t* current, uint32_t* maximum);
/* Writes a non-table VCP value. */
DDCHELPER_EXPORT int32_t DDCHELPER_CALL SetCIValue(uint32_t handle, uint32_t vcp, uint32_t value);
/* Optional: a short name for a status the library returned ("DDCRC_NULL_RESPONSE"),
 * or NULL when it has none. A library without it still loads. */
DDCHELPER_EXPORT const char* DDCHELPER_CALL DDCStatusName(int32_t status);

#ifdef __cplusplus
}
#endif

#endif
