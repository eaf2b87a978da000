#include "xml_read_scope.h"

#include <libxml/globals.h>
#include <libxml/parserInternals.h>
#include <libxml/uri.h>
#include <libxml/xmlIO.h>
#include <libxslt/security.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>

namespace {

// Canonical, without a trailing "/"; empty while no scope allows anything.
thread_local std::string t_folder;

struct UriFree {
    void operator()(xmlURIPtr p) const { xmlFreeURI(p); }
};
struct XmlCharFree {
    void operator()(char* p) const { xmlFree(p); }
};

std::string Canonical(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

xmlParserInputPtr ConfinedLoader(const char* url, const char* id, xmlParserCtxtPtr ctxt) {
    if (url != nullptr && MayReadXmlFile(url))
        return xmlNoNetExternalEntityLoader(url, id, ctxt);
    xmlGenericError(xmlGenericErrorContext, "reading \"%s\" refused: not a file of the skin\n",
                    url != nullptr ? url : "");
    return nullptr;
}

// libxslt hands over the path of a local URL.
int CheckRead(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* path) {
    return path != nullptr && MayReadXmlFile(path) ? 1 : 0;
}

}  // namespace

CXmlReadScope::CXmlReadScope(const std::string& folder) : m_previous(t_folder) {
    xmlSetExternalEntityLoader(ConfinedLoader);
    // The whole tree is never a skin's folder.
    const std::string canonical = folder.empty() ? std::string() : Canonical(folder);
    t_folder = canonical == "/" ? std::string() : canonical;
}

CXmlReadScope::~CXmlReadScope() {
    t_folder = m_previous;
}

std::string XmlLocalPath(const std::string& url) {
    if (!url.empty() && url[0] == '/') {
        // As libxml2 opens it: the name as it stands, else with its %-escapes undone.
        struct stat st {};
        if (stat(url.c_str(), &st) == 0)
            return url;
        std::unique_ptr<char, XmlCharFree> unescaped(xmlURIUnescapeString(url.c_str(), 0, nullptr));
        return unescaped ? std::string(unescaped.get()) : url;
    }
    std::unique_ptr<xmlURI, UriFree> uri(xmlParseURI(url.c_str()));
    if (!uri || uri->scheme == nullptr || std::string(uri->scheme) != "file" ||
        uri->path == nullptr || uri->path[0] != '/')
        return std::string();
    const std::string server = uri->server != nullptr ? uri->server : "";
    return server.empty() || server == "localhost" ? std::string(uri->path) : std::string();
}

bool MayReadXmlFile(const std::string& url) {
    if (t_folder.empty())
        return false;
    const std::string path = Canonical(XmlLocalPath(url));
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return path.compare(0, t_folder.size() + 1, t_folder + "/") == 0;
}

void InstallXmlReadChecks() {
    xmlSetExternalEntityLoader(ConfinedLoader);
    xsltSecurityPrefsPtr prefs = xsltNewSecurityPrefs();
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_READ_FILE, CheckRead);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_FILE, xsltSecurityForbid);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_CREATE_DIRECTORY, xsltSecurityForbid);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_NETWORK, xsltSecurityForbid);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_READ_NETWORK, xsltSecurityForbid);
    xsltSetDefaultSecurityPrefs(prefs);
}
