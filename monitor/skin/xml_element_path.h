#pragma once
// Element paths ("VORNSKINDEFINE/SKIN/IMAGE") over a libxml2 tree: names separated by "/",
// matched from the document down, one level per name. A leading "/" changes nothing.

#include <libxml/tree.h>

#include <string_view>
#include <vector>

// The elements the path matches, in document order. Empty when the path has no name or an
// empty name ("A//B", "A/").
std::vector<xmlNodePtr> MatchElementPath(xmlDocPtr doc, std::string_view path);

// The parentIndex-th holder of the path's last name: the document itself for a path of one
// name (index 0 only), else the parentIndex-th match of the path without its last name.
// nullptr when there is none.
xmlNodePtr FindPathParent(xmlDocPtr doc, std::string_view path, int parentIndex);

// Child nodes of every kind, counted and indexed in order.
int CountChildNodes(xmlNodePtr parent);
xmlNodePtr NthChildNode(xmlNodePtr parent, int index);
