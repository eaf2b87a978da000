#include "xml_document.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/uri.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "libxml_error_scope.h"
#include "libxml_init.h"
#include "xml_blank_text.h"
#include "xml_element_path.h"
#include "xml_read_scope.h"
#include "xml_text.h"

namespace {

// Never fetch anything from the network; report nothing on our own behalf. Entities are
// substituted while parsing, where libxml2 bounds how far they may amplify the text: left as
// references, every later read of an attribute would expand them again without any bound. The
// read scope keeps external entities from being loaded at all.
constexpr int PARSE_OPTIONS =
    XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

struct ParserCtxtFree {
    void operator()(xmlParserCtxtPtr p) const { xmlFreeParserCtxt(p); }
};
struct XPathContextFree {
    void operator()(xmlXPathContextPtr p) const { xmlXPathFreeContext(p); }
};
struct XPathObjectFree {
    void operator()(xmlXPathObjectPtr p) const { xmlXPathFreeObject(p); }
};
struct StylesheetFree {
    void operator()(xsltStylesheetPtr p) const { xsltFreeStylesheet(p); }
};
struct TransformContextFree {
    void operator()(xsltTransformContextPtr p) const { xsltFreeTransformContext(p); }
};
struct DocFree {
    void operator()(xmlDocPtr p) const { xmlFreeDoc(p); }
};
struct OutputBufferClose {
    void operator()(xmlOutputBufferPtr p) const { xmlOutputBufferClose(p); }
};
struct XmlFree {
    void operator()(xmlChar* p) const { xmlFree(p); }
};

const xmlChar* X(const std::string& s) {
    return reinterpret_cast<const xmlChar*>(s.c_str());
}

std::string BufferText(xmlOutputBufferPtr buf) {
    xmlOutputBufferFlush(buf);
    const xmlChar* content = xmlOutputBufferGetContent(buf);
    size_t size = xmlOutputBufferGetSize(buf);
    return content == nullptr ? std::string()
                              : std::string(reinterpret_cast<const char*>(content), size);
}

bool ReadFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The document's base for relative references (xsl:include, document()): the path as a URI, so
// that blanks and other reserved characters in folder names survive.
std::string PathToUrl(const std::string& path) {
    std::unique_ptr<xmlChar, XmlFree> uri(xmlPathToURI(X(path)));
    return uri ? reinterpret_cast<const char*>(uri.get()) : path;
}

// The folder of a document's file; "" for a document made from text.
std::string FolderOf(const xmlChar* url) {
    const std::string path =
        url == nullptr ? std::string() : XmlLocalPath(reinterpret_cast<const char*>(url));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

CXmlDocument::CXmlDocument() {
    InitLibxml();
}

CXmlDocument::~CXmlDocument() {
    Release();
}

void CXmlDocument::Release() {
    if (m_doc != nullptr) {
        xmlFreeDoc(m_doc);
        m_doc = nullptr;
    }
}

bool CXmlDocument::MakeDocument() {
    Release();
    m_doc = xmlNewDoc(BAD_CAST "1.0");
    return m_doc != nullptr;
}

bool CXmlDocument::Create() {
    m_lastError.clear();
    return MakeDocument();
}

bool CXmlDocument::Load(const std::string& path) {
    m_lastError.clear();
    std::string bytes;
    if (!ReadFile(path, bytes)) {
        MakeDocument();
        m_lastError = "cannot read " + path;
        return false;
    }
    return Parse(bytes, PathToUrl(path), nullptr);
}

bool CXmlDocument::LoadXml(const std::string& text) {
    m_lastError.clear();
    return Parse(text, std::string(), "UTF-8");
}

bool CXmlDocument::Parse(const std::string& bytes, const std::string& url, const char* encoding) {
    CLibxmlErrorScope errors(m_lastError);
    const CXmlReadScope readsNothing{std::string()};
    Release();
    std::unique_ptr<xmlParserCtxt, ParserCtxtFree> ctxt(xmlNewParserCtxt());
    xmlDocPtr doc = nullptr;
    if (ctxt && bytes.size() <= static_cast<size_t>(INT32_MAX)) {
        doc = xmlCtxtReadMemory(ctxt.get(), bytes.data(), static_cast<int>(bytes.size()),
                                url.empty() ? nullptr : url.c_str(), encoding, PARSE_OPTIONS);
        if (doc != nullptr && !ctxt->wellFormed) {
            xmlFreeDoc(doc);
            doc = nullptr;
        }
    }
    if (doc == nullptr) {
        if (m_lastError.empty()) {
            m_lastError = "the text is not well-formed XML";
        }
        MakeDocument();
        return false;
    }
    RemoveBlankText(doc);
    m_doc = doc;
    return true;
}

int CXmlDocument::Count(const std::string& path) const {
    return static_cast<int>(MatchElementPath(m_doc, path).size());
}

int CXmlDocument::ChildCount(const std::string& path, int parentIndex) const {
    xmlNodePtr parent = FindPathParent(m_doc, path, parentIndex);
    return parent == nullptr ? 0 : CountChildNodes(parent);
}

bool CXmlDocument::GetAttribute(const std::string& path, int parentIndex, int childIndex,
                                const std::string& name, std::string& out) const {
    if (m_doc == nullptr || childIndex < 0) {
        return false;
    }
    xmlNodePtr element = nullptr;
    if (parentIndex == 0) {
        std::vector<xmlNodePtr> matches = MatchElementPath(m_doc, path);
        if (static_cast<size_t>(childIndex) < matches.size()) {
            element = matches[static_cast<size_t>(childIndex)];
        }
    } else {
        xmlNodePtr parent = FindPathParent(m_doc, path, parentIndex);
        element = parent == nullptr ? nullptr : NthChildNode(parent, childIndex);
    }
    if (element == nullptr || element->type != XML_ELEMENT_NODE) {
        return false;
    }
    for (xmlAttrPtr attr = element->properties; attr != nullptr; attr = attr->next) {
        std::string qualified = reinterpret_cast<const char*>(attr->name);
        if (attr->ns != nullptr && attr->ns->prefix != nullptr) {
            qualified = reinterpret_cast<const char*>(attr->ns->prefix) + (":" + qualified);
        }
        if (qualified != name) {
            continue;
        }
        std::unique_ptr<xmlChar, XmlFree> value(
            xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attr)));
        out = value ? reinterpret_cast<const char*>(value.get()) : "";
        return true;
    }
    return true;
}

bool CXmlDocument::Transform(const CXmlDocument& stylesheet, std::string& out,
                             const std::string& readFolder) const {
    CLibxmlErrorScope errors(m_lastError);
    if (m_doc == nullptr || stylesheet.m_doc == nullptr) {
        return false;
    }
    const CXmlReadScope reads(readFolder.empty() ? FolderOf(stylesheet.m_doc->URL) : readFolder);
    // The stylesheet takes its document over; compile a copy so the caller's stays usable.
    xmlDocPtr copy = xmlCopyDoc(stylesheet.m_doc, 1);
    if (copy == nullptr) {
        return false;
    }
    std::unique_ptr<xsltStylesheet, StylesheetFree> style(xsltParseStylesheetDoc(copy));
    if (!style) {
        xmlFreeDoc(copy);
        if (m_lastError.empty()) {
            m_lastError = "the stylesheet is not XSLT";
        }
        return false;
    }
    std::unique_ptr<xsltTransformContext, TransformContextFree> ctxt(
        xsltNewTransformContext(style.get(), m_doc));
    if (!ctxt) {
        return false;
    }
    xsltSetCtxtSecurityPrefs(xsltGetDefaultSecurityPrefs(), ctxt.get());
    ctxt->maxTemplateDepth = MAX_TEMPLATE_DEPTH;
    ctxt->maxTemplateVars = MAX_TEMPLATE_VARIABLES;
    std::unique_ptr<xmlDoc, DocFree> result(
        xsltApplyStylesheetUser(style.get(), m_doc, nullptr, nullptr, nullptr, ctxt.get()));
    if (!result || ctxt->state != XSLT_STATE_OK) {
        return false;
    }
    // Written without an encoder: the text stays UTF-8 whatever encoding the stylesheet names.
    std::unique_ptr<xmlOutputBuffer, OutputBufferClose> buf(xmlAllocOutputBuffer(nullptr));
    if (!buf || xsltSaveResultTo(buf.get(), result.get(), style.get()) < 0) {
        return false;
    }
    out = BufferText(buf.get());
    return true;
}

bool CXmlDocument::GetXml(std::string& out) const {
    if (m_doc == nullptr) {
        return false;
    }
    CLibxmlErrorScope errors(m_lastError);
    std::unique_ptr<xmlOutputBuffer, OutputBufferClose> buf(xmlAllocOutputBuffer(nullptr));
    if (!buf) {
        return false;
    }
    for (xmlNodePtr node = m_doc->children; node != nullptr; node = node->next) {
        xmlNodeDumpOutput(buf.get(), m_doc, node, 0, 0, "UTF-8");
        xmlOutputBufferWrite(buf.get(), 1, "\n");
    }
    if (buf->error != 0) {
        return false;
    }
    out = BufferText(buf.get());
    return true;
}

bool CXmlDocument::AppendElement(const std::string& expression, int index,
                                 const std::string& name) {
    return Append(expression, index, name, nullptr);
}

bool CXmlDocument::AppendTextElement(const std::string& expression, int index,
                                     const std::string& name, const std::string& text) {
    return Append(expression, index, name, &text);
}

bool CXmlDocument::Append(const std::string& expression, int index, const std::string& name,
                          const std::string* text) {
    CLibxmlErrorScope errors(m_lastError);
    // A name with a prefix would serialise to XML that does not parse again (no namespace).
    if (m_doc == nullptr || index < 0 || ToXmlText(name) != name ||
        xmlValidateNCName(X(name), 0) != 0) {
        return false;
    }
    std::unique_ptr<xmlXPathContext, XPathContextFree> ctx(xmlXPathNewContext(m_doc));
    if (!ctx) {
        return false;
    }
    ctx->node = reinterpret_cast<xmlNodePtr>(m_doc);
    std::unique_ptr<xmlXPathObject, XPathObjectFree> selected(
        xmlXPathEvalExpression(X(ToXmlText(expression)), ctx.get()));
    if (!selected || selected->type != XPATH_NODESET || selected->nodesetval == nullptr ||
        index >= selected->nodesetval->nodeNr) {
        return false;
    }
    xmlNodePtr target = selected->nodesetval->nodeTab[index];
    bool canHold = target->type == XML_ELEMENT_NODE ||
                   (target->type == XML_DOCUMENT_NODE && xmlDocGetRootElement(m_doc) == nullptr);
    if (!canHold) {
        return false;
    }
    xmlNodePtr element = xmlNewDocNode(m_doc, nullptr, X(name), nullptr);
    if (element == nullptr) {
        return false;
    }
    if (text != nullptr && !text->empty()) {
        xmlNodePtr textNode = xmlNewDocText(m_doc, X(ToXmlText(*text)));
        if (textNode == nullptr) {
            xmlFreeNode(element);
            return false;
        }
        xmlAddChild(element, textNode);
    }
    if (xmlAddChild(target, element) == nullptr) {
        xmlFreeNode(element);
        return false;
    }
    return true;
}
