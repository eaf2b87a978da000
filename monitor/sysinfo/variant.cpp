#include "variant.h"

#include "number_format.h"

std::string VariantToText(const Variant& value) {
    switch (value.vt) {
        case VT_BSTR:
            return value.text;
        case VT_I4:
            return std::to_string(static_cast<int32_t>(value.integer));
        case VT_I2:
            return std::to_string(static_cast<int16_t>(value.integer));
        case VT_UI1:
            return std::to_string(static_cast<uint8_t>(value.integer));
        case VT_BOOL:
            return value.integer != 0 ? "true" : "false";
        case VT_R4:
            return FormatFixed(static_cast<float>(value.real), 10, 4);
        case VT_R8:
            return FormatFixed(value.real, 10, 4);
        default:
            return "NULL";
    }
}
