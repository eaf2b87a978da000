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

/* Window and object handles are 32-bit values on this system. A window handle comes from the
 * platform's window queues (a datagram socket per window in the runtime directory). */
typedef uint32_t HWND;
typedef uint32_t HANDLE;

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

/* Microcontroller mailbox, raw: the command/status port 0xE4 and the data port 0xE0, for
 * clients that run the handshake themselves. No lock is taken. Reads give 0 on failure. */
VORNIO_API int WriteCommand(uint8_t value);
VORNIO_API uint8_t ReadCommand(void);
VORNIO_API int WriteData(uint8_t value);
VORNIO_API uint8_t ReadData(void);
/* The data port reads 0xAC (acknowledge). */
VORNIO_API bool IsACK(void);
/* The status port reads 0x0A (busy). */
VORNIO_API bool IsBusy(void);
/* Bit 0 of the status port (a data byte is waiting). */
VORNIO_API bool IsValid(void);
/* Sends command 0 and, a second later, looks for the acknowledge. */
VORNIO_API bool IsGX4410Exist(void);

/* Microcontroller item requests, items 0 to 110; the driver service runs the handshake and
 * requests of all processes go one at a time.
 * SetAIP sends length bytes of data to the item: the driver's status byte, 0 when the request
 * failed or the microcontroller did not answer, -1 when the request could not take its turn.
 * GetAIP sends length bytes (often an index) and copies what the item returns to out, which
 * must hold the item's output length (never more is copied): the number of bytes copied, 0 on
 * any failure. An item above 110 gives 0 at once. */
VORNIO_API int SetAIP(uint8_t item, const uint8_t* data, uint8_t length);
VORNIO_API int GetAIP(uint8_t item, const uint8_t* data, uint8_t length, uint8_t* out);

/* Client windows told about microcontroller interrupts: a table of ten, shared by all
 * processes. Each interrupt posts the registered message "GX4410_INTERRUPTED" with
 * wParam = the pending sources (0..255) and lParam = 0 to every registered window. A process
 * that unloads the library unregisters the last window it registered. */
VORNIO_API bool RegisterHandle(HWND window);
VORNIO_API bool UnregisterHandle(HWND window);
VORNIO_API bool IsHandleRegistered(HWND window);
VORNIO_API int GetRegisteredHandleCount(void);
/* Copies all ten slots (0 for a free one) and returns the count. */
VORNIO_API int GetRegisteredHandleList(int32_t list[10]);

/* Registers the interrupt event "Helmo_Interrupt" with the driver service and starts the one
 * waiting thread of the system: nonzero when the event was registered now, 0 when it was
 * registered already or the registration failed (which also closes this process's device). */
VORNIO_API int RegisterEvent(void);
VORNIO_API bool IsEventRegistered(void);
/* The event handle as the registering process received it. */
VORNIO_API HANDLE GetRegisteredEventHandle(void);
/* Posts the interrupt message with wParam = code to every registered window. */
VORNIO_API void SendMsgToClient(uint8_t code);
/* Ends the waiting thread if this process runs it (or its process has ended): true, also when
 * there is none; false when it runs in another process. */
VORNIO_API bool ExitWaitingThread(void);
/* Interrupts signalled since the first process loaded the library. */
VORNIO_API int GetInterruptCount(void);

#ifdef __cplusplus
}
#endif

#endif /* VORNIO_H */
