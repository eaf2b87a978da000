#include "xml_blank_text.h"

namespace {

bool IsBlank(const xmlChar* text) {
    if (text == nullptr) {
        return true;
    }
    for (; *text != 0; ++text) {
        if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r') {
            return false;
        }
    }
    return true;
}

void RemoveBlankChildren(xmlNodePtr parent) {
    xmlNodePtr child = parent->children;
    while (child != nullptr) {
        xmlNodePtr next = child->next;
        if (child->type == XML_TEXT_NODE && IsBlank(child->content) &&
            xmlNodeGetSpacePreserve(parent) != 1) {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        } else if (child->type == XML_ELEMENT_NODE) {
            RemoveBlankChildren(child);
        }
        child = next;
    }
}

}  // namespace

void RemoveBlankText(xmlDocPtr doc) {
    if (doc != nullptr) {
        RemoveBlankChildren(reinterpret_cast<xmlNodePtr>(doc));
    }
}
