#pragma once
// Posting a message to a client window, behind an interface so the interrupt thread's posts can
// be counted in tests. The real one posts through the window sockets of the objects directory.

#include <cstdint>
#include <string>

class IWindowPoster {
  public:
    virtual ~IWindowPoster() = default;
    virtual bool Post(uint32_t window, uint32_t message, uint32_t wParam, int32_t lParam) = 0;
};

class CWindowPoster : public IWindowPoster {
  public:
    explicit CWindowPoster(const std::string& dir) : m_dir(dir) {}
    bool Post(uint32_t window, uint32_t message, uint32_t wParam, int32_t lParam) override;

  private:
    const std::string& m_dir;
};
