#pragma once
// While one of these lives, every message of libxml2 and libxslt on this thread goes into a text
// instead of standard error; the previous handlers come back when it ends.

#include <libxml/xmlerror.h>

#include <string>

class CLibxmlErrorScope {
  public:
    // Clears `sink`, then collects the messages into it (at most MAX_TEXT bytes are kept).
    explicit CLibxmlErrorScope(std::string& sink);
    ~CLibxmlErrorScope();
    CLibxmlErrorScope(const CLibxmlErrorScope&) = delete;
    CLibxmlErrorScope& operator=(const CLibxmlErrorScope&) = delete;

    static constexpr size_t MAX_TEXT = 1024;

  private:
    static void OnGeneric(void* scope, const char* format, ...);
    static void OnStructured(void* scope, xmlErrorPtr error);
    void Add(const std::string& text);

    std::string& m_sink;
    xmlGenericErrorFunc m_genericFunc;
    void* m_genericContext;
    xmlStructuredErrorFunc m_structuredFunc;
    void* m_structuredContext;
    xmlGenericErrorFunc m_xsltFunc;
    void* m_xsltContext;
};
