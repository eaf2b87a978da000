#include "page_index.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <cctype>

#include "libxml_error_scope.h"
#include "libxml_init.h"

namespace {

void CollectIds(xmlNode* node, std::set<std::string>& out) {
    for (; node != nullptr; node = node->next) {
        if (node->type == XML_ELEMENT_NODE) {
            for (xmlAttr* a = node->properties; a != nullptr; a = a->next) {
                const std::string name = reinterpret_cast<const char*>(a->name);
                if (name != "id" && name != "name")
                    continue;
                xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
                if (value != nullptr) {
                    out.insert(reinterpret_cast<const char*>(value));
                    xmlFree(value);
                }
            }
        }
        CollectIds(node->children, out);
    }
}

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Skips a string, template or comment starting at i; returns the index after it, or i when
// there is none there.
size_t SkipNonCode(const std::string& s, size_t i) {
    const char c = s[i];
    if (c == '"' || c == '\'' || c == '`') {
        size_t j = i + 1;
        while (j < s.size() && s[j] != c) {
            if (s[j] == '\\')
                ++j;
            ++j;
        }
        return std::min(j + 1, s.size());
    }
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
        const size_t end = s.find('\n', i);
        return end == std::string::npos ? s.size() : end;
    }
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
        const size_t end = s.find("*/", i + 2);
        return end == std::string::npos ? s.size() : end + 2;
    }
    return i;
}

}  // namespace

std::set<std::string> HtmlElementIds(const std::string& html) {
    InitLibxml();
    std::set<std::string> ids;
    std::string messages;
    CLibxmlErrorScope quiet(messages);
    // Wrapped so that a fragment parses as the content of a body, as innerHTML does.
    const std::string text = "<html><body>" + html + "</body></html>";
    htmlDocPtr doc = htmlReadMemory(
        text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
        HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (doc == nullptr)
        return ids;
    CollectIds(xmlDocGetRootElement(doc), ids);
    xmlFreeDoc(doc);
    return ids;
}

std::set<std::string> ScriptFunctionNames(const std::string& script) {
    // A small scanner, not a parser: braces, parentheses and brackets give the nesting, and
    // strings and comments are skipped so their braces do not count. Regular expression
    // literals are not recognised; a brace inside one can only hide a declaration, which the
    // page's own report then supplies.
    std::set<std::string> names;
    int depth = 0;
    size_t i = 0;
    while (i < script.size()) {
        const size_t after = SkipNonCode(script, i);
        if (after != i) {
            i = after;
            continue;
        }
        const char c = script[i];
        if (c == '{' || c == '(' || c == '[') {
            ++depth;
            ++i;
            continue;
        }
        if (c == '}' || c == ')' || c == ']') {
            depth = std::max(0, depth - 1);
            ++i;
            continue;
        }
        if (!IsNameChar(c)) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < script.size() && IsNameChar(script[end]))
            ++end;
        const bool wordStart = i == 0 || !IsNameChar(script[i - 1]);
        const std::string word = script.substr(i, end - i);
        i = end;
        if (depth != 0 || !wordStart || word != "function")
            continue;
        // A declaration is "function name(" ; "function(" and "function* name" are expressions
        // or generators and are left to the page's report.
        size_t j = i;
        while (j < script.size() && std::isspace(static_cast<unsigned char>(script[j])))
            ++j;
        size_t nameEnd = j;
        while (nameEnd < script.size() && IsNameChar(script[nameEnd]))
            ++nameEnd;
        if (nameEnd == j)
            continue;
        size_t k = nameEnd;
        while (k < script.size() && std::isspace(static_cast<unsigned char>(script[k])))
            ++k;
        if (k < script.size() && script[k] == '(')
            names.insert(script.substr(j, nameEnd - j));
    }
    return names;
}
