#include "markup_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct MarkupCase {
    const char* html;
    const char* text;
};

class Markup : public ::testing::TestWithParam<MarkupCase> {};

TEST_P(Markup, BecomesPlainText) {
    EXPECT_EQ(StripMarkup(GetParam().html), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    PageTexts, Markup,
    ::testing::Values(
        MarkupCase{"Normal", "Normal"}, MarkupCase{"", ""},
        MarkupCase{"<font color='#ff0000'> 75 &#176;C</font>",
                   " 75 \xC2\xB0"
                   "C"},
        MarkupCase{"<font color='#ff0000'>Warning</font>", "Warning"},
        MarkupCase{"176 &#176;F",
                   "176 \xC2\xB0"
                   "F"},
        MarkupCase{"<font color='ffffff' style=\"background-color:#ff0000;\">WARNING</font>",
                   "WARNING"},
        MarkupCase{"<font color='#ff0000'>Temperature:  <HR width=\"105px\"></HR>CPU:  75 "
                   "C<BR>SYS:  60C<BR><BR>Fan:  <HR width=\"105px\"></HR>FAN1:     0 RPM</font>",
                   "Temperature:\nCPU:  75 C\nSYS:  60C\n\nFan:\nFAN1:     0 RPM"},
        MarkupCase{"a<br/>b<Br>c", "a\nb\nc"},
        MarkupCase{"&lt;b&gt; &amp; &quot;q&quot; &apos;&nbsp;&#x41;", "<b> & \"q\" ' A"},
        // Unknown or broken references and tags stay as they were written.
        MarkupCase{"&unknown; &#; &#xZZ; & alone", "&unknown; &#; &#xZZ; & alone"},
        MarkupCase{"&#0; &#55296;", "&#0; &#55296;"}, MarkupCase{"a < b", "a < b"}));

}  // namespace
