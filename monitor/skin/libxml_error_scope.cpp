#include "libxml_error_scope.h"

#include <libxslt/xsltutils.h>

#include <cstdarg>
#include <cstdio>

CLibxmlErrorScope::CLibxmlErrorScope(std::string& sink)
    : m_sink(sink),
      m_genericFunc(xmlGenericError),
      m_genericContext(xmlGenericErrorContext),
      m_structuredFunc(xmlStructuredError),
      m_structuredContext(xmlStructuredErrorContext),
      m_xsltFunc(xsltGenericError),
      m_xsltContext(xsltGenericErrorContext) {
    m_sink.clear();
    xmlSetGenericErrorFunc(this, &CLibxmlErrorScope::OnGeneric);
    xmlSetStructuredErrorFunc(this, &CLibxmlErrorScope::OnStructured);
    xsltSetGenericErrorFunc(this, &CLibxmlErrorScope::OnGeneric);
}

CLibxmlErrorScope::~CLibxmlErrorScope() {
    xmlSetGenericErrorFunc(m_genericContext, m_genericFunc);
    xmlSetStructuredErrorFunc(m_structuredContext, m_structuredFunc);
    xsltSetGenericErrorFunc(m_xsltContext, m_xsltFunc);
}

void CLibxmlErrorScope::OnGeneric(void* scope, const char* format, ...) {
    char buf[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    static_cast<CLibxmlErrorScope*>(scope)->Add(buf);
}

void CLibxmlErrorScope::OnStructured(void* scope, xmlErrorPtr error) {
    if (error == nullptr || error->message == nullptr) {
        return;
    }
    std::string text = error->message;
    if (error->line > 0) {
        text = "line " + std::to_string(error->line) + ": " + text;
    }
    static_cast<CLibxmlErrorScope*>(scope)->Add(text);
}

void CLibxmlErrorScope::Add(const std::string& text) {
    if (m_sink.size() < MAX_TEXT) {
        m_sink.append(text, 0, MAX_TEXT - m_sink.size());
    }
}
