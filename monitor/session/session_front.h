#pragma once
// What a front end does at its own steps of the monitor session's start-up.

#include <string>

class ISessionFront {
  public:
    virtual ~ISessionFront() = default;
    // Once the page is ready, before the item lists: the registry flags the front end keeps
    // (the error log's switch, "Run at StartUp").
    virtual void ReadFlags() = 0;
    // The skin built from the sensor report; again whenever the engine is started anew.
    virtual void LoadSkin(const std::string& report) = 0;
};
