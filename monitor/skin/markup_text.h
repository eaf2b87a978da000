#pragma once
// Page HTML as plain text for a terminal: "<BR>" and "<HR ...>" become line breaks, other tags
// go, character references become their characters ("&#176;" is "°"), and blanks at the end
// of each line are dropped.

#include <string>
#include <string_view>

std::string StripMarkup(std::string_view html);
