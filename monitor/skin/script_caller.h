#pragma once
// What a skin button needs of the script bridge: run a page function by name.

#include <string>

class IScriptCaller {
  public:
    virtual ~IScriptCaller() = default;
    virtual bool CallFunction(const std::string& name) = 0;
};
