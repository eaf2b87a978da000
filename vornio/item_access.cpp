#include "item_access.h"

#include <algorithm>

#include "device_codes.h"
#include "mcu_record.h"

using namespace vornio;

namespace {

// The descriptions of one request kind.
struct STexts {
    const char* createMutex;
    const char* lengthMismatch;
    const char* requestFailed;
    const char* timeout;
    const char* releaseMutex;
};

constexpr STexts SET_TEXTS = {"SetAIP: Create mutex fail",
                              "SetAIP: Input data length does not match", "Error occured in SetAIP",
                              "SetAIP: Driver timeout", "SetAIP: Release mutex fail"};
constexpr STexts GET_TEXTS = {"GetAIP: Create mutex fail",
                              "GetAIP: Input data length does not match", "Error occured in GetAIP",
                              "GetAIP: Driver timeout", "GetAIP: Release mutex fail"};

}  // namespace

std::optional<SItemLengths> CItemAccess::RequestLengths(uint8_t item,
                                                        const std::atomic<bool>* cancel) {
    std::optional<SItemLengths> lengths = TableItemLengths(item);
    if (lengths && item == ITEM_CLOCK_GEN_READ)
        lengths->output = GetClockGenByteNum(cancel);
    if (lengths && item == ITEM_CLOCK_GEN_WRITE)
        lengths->input = GetClockGenByteNum(cancel);
    return lengths;
}

int CItemAccess::SetAIP(uint8_t item, const uint8_t* data, uint8_t length,
                        const std::atomic<bool>* cancel) {
    return Transfer(true, item, data, length, nullptr, cancel);
}

int CItemAccess::GetAIP(uint8_t item, const uint8_t* data, uint8_t length, uint8_t* out,
                        const std::atomic<bool>* cancel) {
    return Transfer(false, item, data, length, out, cancel);
}

int CItemAccess::Transfer(bool write, uint8_t item, const uint8_t* data, uint8_t length,
                          uint8_t* out, const std::atomic<bool>* cancel) {
    const STexts& texts = write ? SET_TEXTS : GET_TEXTS;
    // An unknown item is refused before anything else is touched.
    if (!TableItemLengths(item))
        return 0;
    if (!m_mutex.Open())
        m_failure.Record(texts.createMutex);  // the request goes on and fails at the wait

    const SItemLengths lengths = *RequestLengths(item, cancel);
    if (length != lengths.input)
        m_failure.Record(texts.lengthMismatch);  // sent anyway, with the caller's length

    const McuRecord in = MakeMcuRequest(item, data, length, write ? 1 : lengths.output);
    McuRecord answer{};
    const int notTaken = write ? -1 : 0;
    int result = 0;
    switch (m_mutex.Wait(cancel)) {
        case EWaitResult::SIGNALED: {
            uint32_t returned = 0;
            if (!m_device.Control(write ? IOCTL_MCU_WRITE : IOCTL_MCU_READ, in, answer,
                                  &returned)) {
                m_failure.Record(texts.requestFailed);
                break;
            }
            const uint8_t resultByte = returned > MCU_OFF_RESULT ? answer[MCU_OFF_RESULT] : 0;
            if (resultByte == MCU_NO_ANSWER) {
                m_failure.Record(texts.timeout);
                break;
            }
            if (write) {
                result = resultByte;
                break;
            }
            // The caller's buffer holds the item's output length and no more: a longer answer
            // (or one claiming more than was sent) is cut there.
            const size_t sent = returned > MCU_OFF_DATA ? returned - MCU_OFF_DATA : 0;
            const size_t room = out ? lengths.output : 0;
            const size_t count = std::min({static_cast<size_t>(resultByte), room, sent});
            std::copy_n(answer.begin() + MCU_OFF_DATA, count, out);
            result = static_cast<int>(count);
            break;
        }
        case EWaitResult::ABANDONED:
            m_failure.Record("WAIT_ABANDONED in dll!");
            result = notTaken;
            break;
        case EWaitResult::TIMEOUT:
            m_failure.Record("WAIT_TIMEOUT in dll!");
            result = notTaken;
            break;
        default:
            result = notTaken;
            break;
    }
    if (!m_mutex.Release())
        m_failure.Record(texts.releaseMutex);
    return result;
}

uint8_t CItemAccess::GetClockGenByteNum(const std::atomic<bool>* cancel) {
    uint8_t info[BOARD_INFO_SIZE] = {};
    if (GetAIP(ITEM_BOARD_INFO, nullptr, 0, info, cancel) != BOARD_INFO_SIZE) {
        m_failure.Record("Error occured in GetClockGenByteNum()");
        return CLOCK_GEN_DEFAULT_BYTES;
    }
    const uint16_t value =
        static_cast<uint16_t>(info[BOARD_INFO_CLOCK_HIGH] << 8 | info[BOARD_INFO_CLOCK_LOW]);
    return ClockGenByteCount(value);
}

uint8_t CItemAccess::GetIntStatus(const std::atomic<bool>* cancel) {
    uint8_t index = 0;
    uint8_t answer = 0;
    if (GetAIP(ITEM_INT_STATUS, &index, 1, &answer, cancel) == 0) {
        m_failure.Record("Fail in GetIntStatus()");
        return 0;
    }
    const unsigned entries = answer;
    uint8_t sources = 0;
    for (unsigned i = 1; i <= entries; ++i) {
        index = static_cast<uint8_t>(i);
        answer = 0;
        if (GetAIP(ITEM_INT_STATUS, &index, 1, &answer, cancel) != 0) {
            sources |= answer;
        } else {
            m_failure.Record("Fail in GetIntStatus()");
        }
    }
    return sources;
}
