#pragma once
// WBEM status codes used by the WMI-style query, and their names.

#include <cstdint>
#include <string>

inline constexpr uint32_t WBEM_S_NO_ERROR = 0;
inline constexpr uint32_t WBEM_S_FALSE = 1;
inline constexpr uint32_t WBEM_E_FAILED = 0x80041001;
inline constexpr uint32_t WBEM_E_NOT_FOUND = 0x80041002;
inline constexpr uint32_t WBEM_E_INVALID_NAMESPACE = 0x8004100E;
inline constexpr uint32_t WBEM_E_INVALID_CLASS = 0x80041010;
inline constexpr uint32_t WBEM_E_CANNOT_BE_SINGLETON = 0x8004102C;

// A failure code has its top bit set, as with every COM status.
constexpr bool WbemFailed(uint32_t status) {
    return (status & 0x80000000u) != 0;
}

// The code's symbolic name, or for a code without one its value in lowercase hexadecimal.
std::string WbemErrorName(uint32_t status);
