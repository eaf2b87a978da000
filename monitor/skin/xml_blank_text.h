#pragma once
// The parser's white-space rule: text nodes made only of white space are not part of the
// document, except where xml:space="preserve" asks to keep them.

#include <libxml/tree.h>

void RemoveBlankText(xmlDocPtr doc);
