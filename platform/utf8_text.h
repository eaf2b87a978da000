#pragma once
// The one UTF-8 walk of the program. Every face that prints text read from files (JSON, metrics
// labels, XML, the terminal) checks it here, so all of them agree on what is well-formed and
// replace the same bytes.

#include <cstddef>
#include <string>
#include <string_view>

// Length of the well-formed UTF-8 sequence at text[pos], or 0 when the bytes there do not start
// one: overlong forms, surrogates, values past U+10FFFF and cut-off sequences are not
// well-formed. `codePoint`, when given, receives the character.
size_t Utf8SequenceLength(std::string_view text, size_t pos, char32_t* codePoint = nullptr);

// The text with every byte that does not start a well-formed sequence replaced by U+FFFD.
// Well-formed text comes back unchanged.
std::string ValidUtf8(std::string_view text);

// Appends the character's UTF-8 bytes; the caller passes a character (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t codePoint);

// U+FFFD, the replacement character.
inline constexpr std::string_view UTF8_REPLACEMENT = "\xEF\xBF\xBD";
