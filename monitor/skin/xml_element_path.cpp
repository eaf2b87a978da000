#include "xml_element_path.h"

#include <optional>
#include <string>

namespace {

std::optional<std::vector<std::string_view>> SplitPath(std::string_view path) {
    if (!path.empty() && path.front() == '/') {
        path.remove_prefix(1);
    }
    if (path.empty()) {
        return std::nullopt;
    }
    std::vector<std::string_view> names;
    size_t start = 0;
    while (true) {
        size_t slash = path.find('/', start);
        std::string_view name = path.substr(start, slash - start);
        if (name.empty()) {
            return std::nullopt;
        }
        names.push_back(name);
        if (slash == std::string_view::npos) {
            return names;
        }
        start = slash + 1;
    }
}

// The element's name as written in the document, with its prefix.
bool NameIs(xmlNodePtr node, std::string_view name) {
    std::string_view local = reinterpret_cast<const char*>(node->name);
    if (node->ns == nullptr || node->ns->prefix == nullptr) {
        return local == name;
    }
    std::string_view prefix = reinterpret_cast<const char*>(node->ns->prefix);
    return name.size() == prefix.size() + 1 + local.size() &&
           name.substr(0, prefix.size()) == prefix && name[prefix.size()] == ':' &&
           name.substr(prefix.size() + 1) == local;
}

std::vector<xmlNodePtr> Match(xmlDocPtr doc, const std::vector<std::string_view>& names) {
    std::vector<xmlNodePtr> level{reinterpret_cast<xmlNodePtr>(doc)};
    for (std::string_view name : names) {
        std::vector<xmlNodePtr> next;
        // Each holder's matches are in document order and holders do not overlap, so the
        // concatenation stays in document order.
        for (xmlNodePtr holder : level) {
            for (xmlNodePtr child = holder->children; child != nullptr; child = child->next) {
                if (child->type == XML_ELEMENT_NODE && NameIs(child, name)) {
                    next.push_back(child);
                }
            }
        }
        level = std::move(next);
        if (level.empty()) {
            break;
        }
    }
    return level;
}

}  // namespace

std::vector<xmlNodePtr> MatchElementPath(xmlDocPtr doc, std::string_view path) {
    auto names = SplitPath(path);
    if (doc == nullptr || !names) {
        return {};
    }
    return Match(doc, *names);
}

xmlNodePtr FindPathParent(xmlDocPtr doc, std::string_view path, int parentIndex) {
    auto names = SplitPath(path);
    if (doc == nullptr || !names || parentIndex < 0) {
        return nullptr;
    }
    names->pop_back();
    if (names->empty()) {
        return parentIndex == 0 ? reinterpret_cast<xmlNodePtr>(doc) : nullptr;
    }
    std::vector<xmlNodePtr> parents = Match(doc, *names);
    if (static_cast<size_t>(parentIndex) >= parents.size()) {
        return nullptr;
    }
    return parents[static_cast<size_t>(parentIndex)];
}

int CountChildNodes(xmlNodePtr parent) {
    int count = 0;
    for (xmlNodePtr child = parent->children; child != nullptr; child = child->next) {
        ++count;
    }
    return count;
}

xmlNodePtr NthChildNode(xmlNodePtr parent, int index) {
    if (index < 0) {
        return nullptr;
    }
    xmlNodePtr child = parent->children;
    for (int i = 0; child != nullptr && i < index; ++i) {
        child = child->next;
    }
    return child;
}
