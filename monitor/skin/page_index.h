#pragma once
// What a page will hold once markup or script text handed to it has been applied: the element
// ids (and names) in HTML, and the functions a script declares at its top level. This lets the
// page document answer "is there such an element / function" at once instead of asking the page.

#include <set>
#include <string>

// Values of every id and name attribute in an HTML fragment, parsed as a browser would.
std::set<std::string> HtmlElementIds(const std::string& html);

// Names of the function declarations at the top level of a script (not nested in a block,
// a function body or an expression).
std::set<std::string> ScriptFunctionNames(const std::string& script);
