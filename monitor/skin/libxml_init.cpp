#include "libxml_init.h"

#include <libexslt/exslt.h>
#include <libxml/parser.h>
#include <libxslt/security.h>

#include <mutex>

void InitLibxml() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        exsltRegisterAll();
        // Stylesheets come with skins: they may read files beside them, nothing more.
        xsltSecurityPrefsPtr prefs = xsltNewSecurityPrefs();
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_FILE, xsltSecurityForbid);
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_CREATE_DIRECTORY, xsltSecurityForbid);
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_NETWORK, xsltSecurityForbid);
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_READ_NETWORK, xsltSecurityForbid);
        xsltSetDefaultSecurityPrefs(prefs);
    });
}
