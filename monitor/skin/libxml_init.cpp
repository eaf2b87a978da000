#include "libxml_init.h"

#include <libexslt/exslt.h>
#include <libxml/parser.h>

#include <mutex>

#include "xml_read_scope.h"

void InitLibxml() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        exsltRegisterAll();
        // Stylesheets come with skins: they may read their own files, nothing more.
        InstallXmlReadChecks();
    });
}
