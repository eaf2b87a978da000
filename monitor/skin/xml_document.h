#pragma once
// One XML document and the few operations the program needs on it: parsing a file or a text,
// counting and reading elements by element path, appending elements by XPath, serialising, and
// XSLT 1.0 transformation to text. Built on libxml2 and libxslt.
//
// Nothing throws and nothing is printed: every failure is a false (or 0) result, and the parser's
// and stylesheet processor's messages are kept for LastError() instead of reaching stderr.
//
// Text is UTF-8 on both sides. Text handed in that is not valid UTF-8, or that holds characters
// XML cannot carry (C0 controls other than tab, line feed and carriage return), has those parts
// replaced by U+FFFD, so the document always serialises to well-formed XML.
//
// Two kinds of address:
//  - element path ("VORNSKINDEFINE/SKIN/IMAGE"): element names separated by "/", matched from
//    the document down, one level per name; the matches are taken in document order. A leading
//    "/" is allowed and changes nothing. A path of one name has the document as its parent.
//  - node selection expression ("/VORNPILOT/TEMP"): any XPath 1.0 expression selecting nodes,
//    evaluated with the document as the context node; "/" is the document itself.
// Indices are 0-based positions in document order; a negative index matches nothing.

#include <string>

typedef struct _xmlDoc xmlDoc;

class CXmlDocument {
  public:
    CXmlDocument();
    ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // Each making operation replaces the document held so far. After a failed Load or LoadXml
    // the wrapper holds an empty document (no root element), on which every query yields 0 or
    // false.
    bool Create();
    bool Load(const std::string& path);
    // The text is taken as UTF-8 whatever its XML declaration says.
    bool LoadXml(const std::string& text);

    // Parser defaults: text nodes made only of white space do not appear (except inside
    // xml:space="preserve"); comments and processing instructions stay; internal entities are
    // substituted within libxml2's bounds (a document that amplifies too far does not parse);
    // external DTDs and entities are never fetched.

    int Count(const std::string& path) const;
    // Child nodes (elements, text, comments, ...) of the parentIndex-th match of the path
    // without its last name.
    int ChildCount(const std::string& path, int parentIndex) const;
    // parentIndex 0: the childIndex-th match of the whole path. Otherwise: the childIndex-th
    // child node of the parentIndex-th match of the parent path. A missing attribute on an
    // existing element is true with `out` untouched; no such element (or a child node that is
    // not an element) is false with `out` untouched.
    bool GetAttribute(const std::string& path, int parentIndex, int childIndex,
                      const std::string& name, std::string& out) const;

    // Applies `stylesheet` (a loaded XSLT document) to this document; `out` receives the
    // result as text in UTF-8. False, `out` untouched, when either document is missing, the
    // stylesheet does not compile or the transformation fails or goes past its bounds (templates
    // nested deeper than MAX_TEMPLATE_DEPTH, more than MAX_TEMPLATE_VARIABLES variables). The
    // stylesheet may read files (document(), xsl:include, xsl:import) below `readFolder` only,
    // by default the folder of its own file (none for one made from text); it never writes
    // files or reaches the network. Time and memory are not bounded here: a stylesheet that
    // is not trusted runs in its own process (vorn-xslt).
    bool Transform(const CXmlDocument& stylesheet, std::string& out,
                   const std::string& readFolder = std::string()) const;

    static constexpr int MAX_TEMPLATE_DEPTH = 1000;
    static constexpr int MAX_TEMPLATE_VARIABLES = 5000;

    // The document's nodes serialised without an XML declaration and without added
    // indentation, each top-level node followed by "\n". An empty document gives "".
    bool GetXml(std::string& out) const;

    // Appends a new element `name` as the last child of the index-th node selected by
    // `expression`. False, and nothing changed, when there is no such node, the node cannot
    // hold an element (an attribute, a text node, a document that already has its root), the
    // expression is not valid XPath or `name` is not a valid element name.
    bool AppendElement(const std::string& expression, int index, const std::string& name);
    bool AppendTextElement(const std::string& expression, int index, const std::string& name,
                           const std::string& text);

    bool HasDocument() const { return m_doc != nullptr; }
    // The parser's or processor's message of the last failed operation, "" when it gave none.
    const std::string& LastError() const { return m_lastError; }

  private:
    bool MakeDocument();
    bool Parse(const std::string& bytes, const std::string& url, const char* encoding);
    bool Append(const std::string& expression, int index, const std::string& name,
                const std::string* text);
    void Release();

    xmlDoc* m_doc = nullptr;
    mutable std::string m_lastError;
};
