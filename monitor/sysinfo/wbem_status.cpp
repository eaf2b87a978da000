#include "wbem_status.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace {

struct NamedCode {
    uint32_t code;
    std::string_view name;
};

constexpr NamedCode SUCCESS_NAMES[] = {
    {0, "WBEM_NO_ERROR"},
    {1, "WBEM_S_FALSE"},
    {0x40001, "WBEM_S_ALREADY_EXISTS"},
    {0x40002, "WBEM_S_RESET_TO_DEFAULT"},
    {0x40003, "WBEM_S_DIFFERENT"},
    {0x40005, "WBEM_S_NO_MORE_DATA"},
};

// 0x80041001 onwards, one name per consecutive code.
constexpr std::array<std::string_view, 44> ERROR_NAMES = {
    "WBEM_E_FAILED",
    "WBEM_E_NOT_FOUND",
    "WBEM_E_ACCESS_DENIED",
    "WBEM_E_PROVIDER_FAILURE",
    "WBEM_E_TYPE_MISMATCH",
    "WBEM_E_OUT_OF_MEMORY",
    "WBEM_E_INVALID_CONTEXT",
    "WBEM_E_INVALID_PARAMETER",
    "WBEM_E_NOT_AVAILABLE",
    "WBEM_E_CRITICAL_ERROR",
    "WBEM_E_INVALID_STREAM",
    "WBEM_E_NOT_SUPPORTED",
    "WBEM_E_INVALID_SUPERCLASS",
    "WBEM_E_INVALID_NAMESPACE",
    "WBEM_E_INVALID_OBJECT",
    "WBEM_E_INVALID_CLASS",
    "WBEM_E_PROVIDER_NOT_FOUND",
    "WBEM_E_INVALID_PROVIDER_REGISTRATION",
    "WBEM_E_PROVIDER_LOAD_FAILURE",
    "WBEM_E_INITIALIZATION_FAILURE",
    "WBEM_E_TRANSPORT_FAILURE",
    "WBEM_E_INVALID_OPERATION",
    "WBEM_E_INVALID_QUERY",
    "WBEM_E_INVALID_QUERY_TYPE",
    "WBEM_E_ALREADY_EXISTS",
    "WBEM_E_OVERRIDE_NOT_ALLOWED",
    "WBEM_E_PROPAGATED_QUALIFIER",
    "WBEM_E_PROPAGATED_PROPERTY",
    "WBEM_E_UNEXPECTED",
    "WBEM_E_ILLEGAL_OPERATION",
    "WBEM_E_CANNOT_BE_KEY",
    "WBEM_E_INCOMPLETE_CLASS",
    "WBEM_E_INVALID_SYNTAX",
    "WBEM_E_NONDECORATED_OBJECT",
    "WBEM_E_READ_ONLY",
    "WBEM_E_PROVIDER_NOT_CAPABLE",
    "WBEM_E_CLASS_HAS_CHILDREN",
    "WBEM_E_CLASS_HAS_INSTANCES",
    "WBEM_E_QUERY_NOT_IMPLEMENTED",
    "WBEM_E_ILLEGAL_NULL",
    "WBEM_E_INVALID_QUALIFIER_TYPE",
    "WBEM_E_INVALID_PROPERTY_TYPE",
    "WBEM_E_VALUE_OUT_OF_RANGE",
    "WBEM_E_CANNOT_BE_SINGLETON",
};
static_assert(ERROR_NAMES.back() == "WBEM_E_CANNOT_BE_SINGLETON");
static_assert(WBEM_E_FAILED + ERROR_NAMES.size() - 1 == WBEM_E_CANNOT_BE_SINGLETON);

}  // namespace

std::string WbemErrorName(uint32_t status) {
    for (const auto& n : SUCCESS_NAMES) {
        if (n.code == status) {
            return std::string(n.name);
        }
    }
    if (status >= WBEM_E_FAILED && status - WBEM_E_FAILED < ERROR_NAMES.size()) {
        return std::string(ERROR_NAMES[status - WBEM_E_FAILED]);
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%x", status);
    return hex;
}
