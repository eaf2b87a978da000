/* libvorn-io: port, MSR and microcontroller access through the VORN-IO driver service.
 *
 * Loading the library starts the driver service (installing it when the caller is root) and
 * opens its device; when that fails the library prints a message and ends the process with
 * exit code 0. Boolean results are one byte, nonzero meaning true.
 */
#ifndef VORNIO_H
#define VORNIO_H

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VORNIO_API __attribute__((visibility("default")))

/* Starts the driver service if the caller may, and opens its device. Run at load. */
VORNIO_API bool Start(void);
/* Whether Start has opened the device. */
VORNIO_API bool IsStart(void);

/* One-byte port read: nonzero and *value set on success; 0 on failure, *value untouched. */
VORNIO_API int InPortB(uint16_t port, uint8_t* value);
/* One-byte port write: nonzero on success, 0 on failure. */
VORNIO_API int OutPortB(uint16_t port, uint8_t value);
/* 1-, 2- or 4-byte port read, zero-extended into *value. */
VORNIO_API bool ReadPortVal(uint16_t port, uint32_t* value, uint8_t size);
/* 1-, 2- or 4-byte port write. */
VORNIO_API bool WritePortVal(uint16_t port, uint32_t value, uint8_t size);

/* The MSR's value; 0 on failure (and for an MSR that holds 0). */
VORNIO_API uint64_t ReadMSR(uint32_t msr);
VORNIO_API void WriteMSR(uint32_t msr, uint32_t low, uint32_t high);

/* Copies the 16-byte version text, NUL included, into buffer (16 bytes). */
VORNIO_API void GetDllVersion(char* buffer);

#ifdef __cplusplus
}
#endif

#endif /* VORNIO_H */
