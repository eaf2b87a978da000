#pragma once
// A property value as the WMI-style query hands it over: a type tag and the value of that type.
// The tags keep the numbers of the COM variant types they stand for.

#include <cstdint>
#include <string>

enum VarType : uint16_t {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_BOOL = 11,
    VT_UI1 = 17,
    VT_UI4 = 19,
    VT_I8 = 20,
};

struct Variant {
    uint16_t vt = VT_EMPTY;
    std::string text;     // VT_BSTR, UTF-8
    int64_t integer = 0;  // the integer types and VT_BOOL (not 0 is true)
    double real = 0;      // VT_R4 (held at float precision) and VT_R8

    static Variant Null() { return Variant{VT_NULL, {}, 0, 0}; }
    static Variant Text(std::string s) { return Variant{VT_BSTR, std::move(s), 0, 0}; }
    static Variant Int32(int32_t v) { return Variant{VT_I4, {}, v, 0}; }
    static Variant Int16(int16_t v) { return Variant{VT_I2, {}, v, 0}; }
    static Variant Byte(uint8_t v) { return Variant{VT_UI1, {}, v, 0}; }
    // The variant boolean: -1 for true, 0 for false.
    static Variant Bool(bool v) { return Variant{VT_BOOL, {}, v ? -1 : 0, 0}; }
    static Variant Float(float v) { return Variant{VT_R4, {}, 0, v}; }
    static Variant Double(double v) { return Variant{VT_R8, {}, 0, v}; }
};

// The value as text: strings as they are, integers "%d", booleans "true"/"false", floats
// "%10.4f", and "NULL" for every other type, empty and null included.
std::string VariantToText(const Variant& value);
