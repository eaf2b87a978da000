#pragma once
// What the WMI-style query talks to: the COM start and security of the calling thread, the
// connection to a namespace, and the instances of a class.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "variant.h"

inline constexpr const char* WMI_NAMESPACE = "\\\\.\\root\\cimv2";

// WMI property names compare without regard to case.
struct WmiNameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
using WmiInstance = std::map<std::string, Variant, WmiNameLess>;

class IWmiProvider {
  public:
    virtual ~IWmiProvider() = default;
    // WBEM_S_NO_ERROR when COM starts on this thread, WBEM_S_FALSE when it already ran there, a
    // failure code when it cannot start. Every call is balanced by one EndCom.
    virtual uint32_t StartCom() = 0;
    virtual uint32_t SetComSecurity() = 0;
    virtual void EndCom() = 0;
    // A failure code when the namespace cannot be opened.
    virtual uint32_t Connect(const std::string& nameSpace) = 0;
    // The instances of a class of the connected namespace, in enumeration order; a failure code
    // (WBEM_E_INVALID_CLASS for a class it does not know) when they cannot be enumerated.
    virtual uint32_t EnumerateInstances(const std::string& className,
                                        std::vector<WmiInstance>& instances) = 0;
};
