#pragma once
// Stylesheets and documents a hostile skin may bring, for the tests of the XML layer, the
// stylesheet helper and the skin loader.

#include <string>

inline std::string Stylesheet(const std::string& inner, const std::string& prolog = "") {
    return prolog +
           "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>" +
           inner + "</xsl:stylesheet>";
}

// A named template calling itself twice, 40 levels deep: 2^40 calls.
inline std::string ExponentialStylesheet() {
    const std::string call =
        "<xsl:call-template name='t'><xsl:with-param name='n' select='$n - 1'/>"
        "</xsl:call-template>";
    return Stylesheet(
        "<xsl:template match='/'><xsl:call-template name='t'><xsl:with-param name='n' "
        "select='40'/></xsl:call-template></xsl:template>"
        "<xsl:template name='t'><xsl:param name='n'/><xsl:if test='$n &gt; 0'>" +
        call + call + "</xsl:if></xsl:template>");
}

// A string doubled 40 times: a thousand gigabytes.
inline std::string DoublingStylesheet() {
    return Stylesheet(
        "<xsl:template match='/'><xsl:call-template name='d'><xsl:with-param name='s' "
        "select='\"xx\"'/><xsl:with-param name='n' select='40'/></xsl:call-template>"
        "</xsl:template><xsl:template name='d'><xsl:param name='s'/><xsl:param name='n'/>"
        "<xsl:choose><xsl:when test='$n &gt; 0'><xsl:call-template name='d'><xsl:with-param "
        "name='s' select='concat($s, $s)'/><xsl:with-param name='n' select='$n - 1'/>"
        "</xsl:call-template></xsl:when><xsl:otherwise><xsl:value-of "
        "select='string-length($s)'/></xsl:otherwise></xsl:choose></xsl:template>");
}

inline std::string InfiniteRecursionStylesheet() {
    return Stylesheet(
        "<xsl:template match='/'><xsl:call-template name='r'/></xsl:template>"
        "<xsl:template name='r'><xsl:call-template name='r'/></xsl:template>");
}

// Nine levels of ten references each: a billion copies of "lol".
inline std::string EntityBombDoctype(const std::string& root) {
    std::string doctype = "<!DOCTYPE " + root + " [<!ENTITY lol0 'lol'>";
    for (int level = 1; level <= 9; ++level) {
        doctype += "<!ENTITY lol" + std::to_string(level) + " '";
        for (int i = 0; i < 10; ++i)
            doctype += "&lol" + std::to_string(level - 1) + ";";
        doctype += "'>";
    }
    return doctype + "]>";
}

inline std::string EntityBombStylesheet() {
    return Stylesheet("<xsl:template match='/'>&lol9;</xsl:template>",
                      EntityBombDoctype("xsl:stylesheet"));
}
