#include "xml_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TextCase {
    std::string in;
    std::string out;
};

class XmlText : public ::testing::TestWithParam<TextCase> {};

TEST_P(XmlText, KeepsWhatXmlCanCarryAndReplacesTheRest) {
    EXPECT_EQ(ToXmlText(GetParam().in), GetParam().out);
}

const std::string R = "\xEF\xBF\xBD";

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlText,
    ::testing::Values(TextCase{"", ""}, TextCase{"CPU: 75 C", "CPU: 75 C"},
                      TextCase{"a\tb\nc\rd", "a\tb\nc\rd"},
                      TextCase{"Temp\xC3\xA9", "Temp\xC3\xA9"},          // two bytes
                      TextCase{"\xE2\x82\xAC", "\xE2\x82\xAC"},          // three bytes
                      TextCase{"\xF0\x9F\x8C\xA1", "\xF0\x9F\x8C\xA1"},  // four bytes
                      TextCase{std::string("a\0b", 3), "a" + R + "b"},   // NUL
                      TextCase{"a\x01\x1F"
                               "b",
                               "a" + R + R + "b"},                    // C0 controls
                      TextCase{"\xE9t\xE9", R + "t" + R},             // Latin-1 bytes
                      TextCase{"\xC3", R},                            // cut short
                      TextCase{"\xC0\xAF", R + R},                    // overlong "/"
                      TextCase{"\xED\xA0\x80", R + R + R},            // a surrogate, byte by byte
                      TextCase{"\xEF\xBF\xBE", R},                    // U+FFFE
                      TextCase{"\xF4\x90\x80\x80", R + R + R + R}));  // past U+10FFFF

}  // namespace
