#pragma once
// Text as XML can carry it: well-formed UTF-8 holding only the characters XML 1.0 allows.

#include <string>
#include <string_view>

// Every byte that does not start a well-formed UTF-8 sequence, and every character XML 1.0
// does not allow (C0 controls other than tab, line feed and carriage return, surrogates,
// U+FFFE, U+FFFF), becomes U+FFFD. Valid text comes back unchanged.
std::string ToXmlText(std::string_view text);
