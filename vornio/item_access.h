#pragma once
// Item requests to the microcontroller (SetAIP, GetAIP): the driver service runs the mailbox
// handshake; the library sizes the request from the item table, serialises requests of all
// processes on the mailbox mutex and records a description for each failure. Also the two
// item reads the library needs itself: the clock-generator block size and the pending
// interrupt sources.

#include <atomic>
#include <cstdint>

#include "device_io.h"
#include "item_table.h"
#include "last_failure.h"
#include "mailbox_mutex.h"

class CItemAccess {
  public:
    CItemAccess(IDeviceIo& device, IMailboxMutex& mutex, CLastFailure& failure)
        : m_device(device), m_mutex(mutex), m_failure(failure) {}

    // Sends length bytes of data (null: zeros) to the item. The driver's status byte; 0 when
    // the request failed or the microcontroller did not answer; -1 when the mutex was not
    // properly taken. A set *cancel (the waiting thread's stop) abandons a wait for the mutex.
    int SetAIP(uint8_t item, const uint8_t* data, uint8_t length,
               const std::atomic<bool>* cancel = nullptr);
    // Sends length bytes and copies the returned bytes to out, which holds the item's output
    // length: never more than that is copied, whatever the driver says it returned. The number
    // of bytes copied; 0 for any failure.
    int GetAIP(uint8_t item, const uint8_t* data, uint8_t length, uint8_t* out,
               const std::atomic<bool>* cancel = nullptr);

    // 27, 34 or 37 from the board information (item 68); 27 when that cannot be read.
    uint8_t GetClockGenByteNum(const std::atomic<bool>* cancel = nullptr);
    // The OR of every pending interrupt entry (item 106); 0 when none or unreadable.
    uint8_t GetIntStatus(const std::atomic<bool>* cancel = nullptr);

    // The item's lengths as a request uses them: the table's, or for the clock-generator
    // items the size read from the board information. nullopt above item 110.
    std::optional<vornio::SItemLengths> RequestLengths(uint8_t item,
                                                       const std::atomic<bool>* cancel);

  private:
    int Transfer(bool write, uint8_t item, const uint8_t* data, uint8_t length, uint8_t* out,
                 const std::atomic<bool>* cancel);

    IDeviceIo& m_device;
    IMailboxMutex& m_mutex;
    CLastFailure& m_failure;
};
