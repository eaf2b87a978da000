#pragma once
// A driver service stand-in for the library's unit tests: records every request and answers
// through a handler the test sets (by default: success with an all-zero output record).

#include <cerrno>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include "device_io.h"

class CFakeDevice : public IDeviceIo {
  public:
    struct Request {
        uint32_t code;
        std::vector<uint8_t> input;
    };
    // Fills out and sets *returned; false makes the request fail.
    using Handler = std::function<bool(const Request&, std::span<uint8_t> out, uint32_t* returned)>;

    bool Control(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                 uint32_t* returned) override {
        Request request{code, {in.begin(), in.end()}};
        Handler handler;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_requests.push_back(request);
            handler = m_handler;
        }
        uint32_t n = static_cast<uint32_t>(out.size());
        if (handler && !handler(request, out, &n)) {
            errno = EIO;
            return false;
        }
        if (returned)
            *returned = n;
        return true;
    }

    void SetHandler(Handler handler) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_handler = std::move(handler);
    }
    std::vector<Request> Requests() const {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_requests;
    }
    void ClearRequests() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_requests.clear();
    }

  private:
    mutable std::mutex m_lock;
    Handler m_handler;
    std::vector<Request> m_requests;
};
