#include <gtest/gtest.h>

#include "variant.h"
#include "wbem_status.h"

TEST(VariantToText, EachTypeAsItsText) {
    struct Case {
        Variant value;
        const char* expected;
    };
    const Case cases[] = {
        {Variant::Text("XB-100"), "XB-100"},
        {Variant::Text(""), ""},
        {Variant::Int32(-2147483647 - 1), "-2147483648"},
        {Variant::Int16(-5), "-5"},
        {Variant{VT_I2, {}, 0xFFFF, 0}, "-1"},  // the signed value of the 16 bits
        {Variant::Byte(255), "255"},
        {Variant::Bool(true), "true"},
        {Variant{VT_BOOL, {}, 1, 0}, "true"},
        {Variant::Bool(false), "false"},
        {Variant::Double(1.5), "    1.5000"},
        {Variant::Double(-2.25), "   -2.2500"},
        {Variant::Double(1.03125), "    1.0313"},  // a tie rounds away from zero
        {Variant::Double(123456789.0), "123456789.0000"},
        {Variant::Float(0.1f), "    0.1000"},
        {Variant{}, "NULL"},
        {Variant::Null(), "NULL"},
        {Variant{VT_DATE, {}, 0, 38000.5}, "NULL"},
        {Variant{VT_I8, {}, 5, 0}, "NULL"},
        {Variant{VT_UI4, {}, 5, 0}, "NULL"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VariantToText(c.value), c.expected) << "type " << c.value.vt;
    }
}

TEST(WbemErrorName, NamedCodesAndHexForTheRest) {
    struct Case {
        uint32_t code;
        const char* name;
    };
    const Case cases[] = {
        {0, "WBEM_NO_ERROR"},
        {1, "WBEM_S_FALSE"},
        {0x40001, "WBEM_S_ALREADY_EXISTS"},
        {0x40002, "WBEM_S_RESET_TO_DEFAULT"},
        {0x40003, "WBEM_S_DIFFERENT"},
        {0x40004, "40004"},
        {0x40005, "WBEM_S_NO_MORE_DATA"},
        {0x40006, "40006"},
        {0x80041000, "80041000"},
        {0x80041001, "WBEM_E_FAILED"},
        {0x80041002, "WBEM_E_NOT_FOUND"},
        {0x8004100E, "WBEM_E_INVALID_NAMESPACE"},
        {0x80041010, "WBEM_E_INVALID_CLASS"},
        {0x80041012, "WBEM_E_INVALID_PROVIDER_REGISTRATION"},
        {0x80041019, "WBEM_E_ALREADY_EXISTS"},
        {0x8004101D, "WBEM_E_UNEXPECTED"},
        {0x80041028, "WBEM_E_ILLEGAL_NULL"},
        {0x8004102B, "WBEM_E_VALUE_OUT_OF_RANGE"},
        {0x8004102C, "WBEM_E_CANNOT_BE_SINGLETON"},
        {0x8004102D, "8004102d"},
        {0x8004103A, "8004103a"},
        {0xFFFFFFFF, "ffffffff"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WbemErrorName(c.code), c.name) << std::hex << c.code;
    }
}
