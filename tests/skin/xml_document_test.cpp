#include "xml_document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "temp_dir.h"

namespace {

// A file below the test's directory.
std::string In(const CTempDir& dir, const std::string& name) {
    return (std::filesystem::path(dir.Path()) / name).string();
}

const std::string DATA = VORN_TEST_DATA_DIR;

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class SkinFile : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_doc.Load(DATA + "/skin.xml")) << m_doc.LastError(); }
    CXmlDocument m_doc;
};

struct CountCase {
    const char* path;
    int expected;
};

class ElementPathCount : public SkinFile, public ::testing::WithParamInterface<CountCase> {};

TEST_P(ElementPathCount, MatchesFromTheRootDown) {
    EXPECT_EQ(m_doc.Count(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ElementPathCount,
    ::testing::Values(CountCase{"VORNSKINDEFINE", 1}, CountCase{"VORNSKINDEFINE/SKIN", 2},
                      CountCase{"VORNSKINDEFINE/SKIN/IMAGE", 3},
                      CountCase{"/VORNSKINDEFINE/SKIN/IMAGE", 3},
                      CountCase{"VORNSKINDEFINE/SKIN/XSL", 1},
                      CountCase{"VORNSKINDEFINE/SKIN/NORMALBUTTON/GROUP", 2},
                      CountCase{"VORNSKINDEFINE/SKIN/NORMALBUTTON/GROUP/BUTTON", 4},
                      CountCase{"VORNSKINDEFINE/SKIN/NORMALBUTTON/BUTTON", 1},
                      CountCase{"VORNSKINDEFINE/SKIN/JSBUTTON/BUTTON", 0},
                      CountCase{"SKIN/IMAGE", 0}, CountCase{"IMAGE", 0},
                      CountCase{"vornskindefine/skin", 0}, CountCase{"", 0}, CountCase{"/", 0},
                      CountCase{"VORNSKINDEFINE//SKIN", 0}, CountCase{"VORNSKINDEFINE/SKIN/", 0}));

TEST_F(SkinFile, ChildCountCountsChildNodesOfTheParentMatch) {
    const std::string buttons = "VORNSKINDEFINE/SKIN/NORMALBUTTON/GROUP/BUTTON";
    // White space between the buttons is not a child; the comment in the second group is.
    EXPECT_EQ(m_doc.ChildCount(buttons, 0), 2);
    EXPECT_EQ(m_doc.ChildCount(buttons, 1), 3);
    EXPECT_EQ(m_doc.ChildCount(buttons, 2), 0);
    EXPECT_EQ(m_doc.ChildCount(buttons, -1), 0);
    EXPECT_EQ(m_doc.ChildCount("VORNSKINDEFINE/SKIN/NOPE/BUTTON", 0), 0);
    // A path of one name has the document as its parent: the comment and the root element.
    EXPECT_EQ(m_doc.ChildCount("VORNSKINDEFINE", 0), 2);
    EXPECT_EQ(m_doc.ChildCount("VORNSKINDEFINE", 1), 0);
}

struct AttributeCase {
    const char* path;
    int parentIndex;
    int childIndex;
    const char* name;
    bool result;
    const char* value;  // what the caller's text holds afterwards (it starts as "untouched")
};

class AttributeLookup : public SkinFile, public ::testing::WithParamInterface<AttributeCase> {};

TEST_P(AttributeLookup, ReadsOneAttributeOfOneElement) {
    const AttributeCase& c = GetParam();
    std::string out = "untouched";
    EXPECT_EQ(m_doc.GetAttribute(c.path, c.parentIndex, c.childIndex, c.name, out), c.result);
    EXPECT_EQ(out, c.value);
}

const char* const IMAGES = "VORNSKINDEFINE/SKIN/IMAGE";
const char* const GROUP_BUTTONS = "VORNSKINDEFINE/SKIN/NORMALBUTTON/GROUP/BUTTON";

INSTANTIATE_TEST_SUITE_P(
    Indices, AttributeLookup,
    ::testing::Values(
        // Parent index 0: the n-th match of the whole path, across both SKIN elements.
        AttributeCase{IMAGES, 0, 0, "ID", true, "logo"},
        AttributeCase{IMAGES, 0, 1, "SRC", true, "bar.bmp"},
        AttributeCase{IMAGES, 0, 2, "ID", true, "late"},
        AttributeCase{GROUP_BUTTONS, 0, 3, "ID", true, "B"},
        // Parent index 1: the n-th child node of the second match of the parent path.
        AttributeCase{GROUP_BUTTONS, 1, 0, "ID", true, "A"},
        AttributeCase{GROUP_BUTTONS, 1, 2, "TIP", true, "second"},
        AttributeCase{"VORNSKINDEFINE/SKIN/ANY", 1, 0, "ID", true, "late"},
        // A missing attribute on an existing element: true, caller's text as it was.
        AttributeCase{IMAGES, 0, 1, "Z", true, "untouched"},
        AttributeCase{IMAGES, 0, 0, "id", true, "untouched"},
        // No such element, or a child node that is not an element: false.
        AttributeCase{IMAGES, 0, 3, "ID", false, "untouched"},
        AttributeCase{GROUP_BUTTONS, 1, 1, "ID", false, "untouched"},
        AttributeCase{GROUP_BUTTONS, 1, 3, "ID", false, "untouched"},
        AttributeCase{GROUP_BUTTONS, 2, 0, "ID", false, "untouched"},
        AttributeCase{"VORNSKINDEFINE/SKIN", 1, 0, "ID", false, "untouched"},
        AttributeCase{IMAGES, 0, -1, "ID", false, "untouched"},
        AttributeCase{"VORNSKINDEFINE/NOPE", 0, 0, "ID", false, "untouched"}));

TEST(XmlDocument, QueriesWithoutADocumentFail) {
    CXmlDocument doc;
    std::string out = "untouched";
    EXPECT_FALSE(doc.HasDocument());
    EXPECT_EQ(doc.Count("VORNSKINDEFINE"), 0);
    EXPECT_EQ(doc.ChildCount("VORNSKINDEFINE/SKIN", 0), 0);
    EXPECT_FALSE(doc.GetAttribute("VORNSKINDEFINE/SKIN", 0, 0, "BACKGROUND", out));
    EXPECT_FALSE(doc.GetXml(out));
    EXPECT_FALSE(doc.AppendElement("/", 0, "A"));
    EXPECT_EQ(out, "untouched");
}

TEST(XmlDocument, NotWellFormedFileLeavesAnEmptyDocument) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Load(DATA + "/skin.xml"));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(doc.Load(DATA + "/broken.xml"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(doc.LastError(), "");
    EXPECT_TRUE(doc.HasDocument());
    std::string out = "untouched";
    EXPECT_EQ(doc.Count("VORNSKINDEFINE/SKIN"), 0);
    EXPECT_EQ(doc.ChildCount("VORNSKINDEFINE/SKIN", 0), 0);
    EXPECT_FALSE(doc.GetAttribute("VORNSKINDEFINE/SKIN", 0, 0, "BACKGROUND", out));
    EXPECT_EQ(out, "untouched");
    ASSERT_TRUE(doc.GetXml(out));
    EXPECT_EQ(out, "");
}

TEST(XmlDocument, MissingFileAndBadTextFailQuietly) {
    CXmlDocument doc;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(doc.Load(DATA + "/no-such-file.xml"));
    EXPECT_FALSE(doc.LoadXml(""));
    EXPECT_FALSE(doc.LoadXml("<A><B></A>"));
    EXPECT_FALSE(doc.LoadXml("<A/><B/>"));
    EXPECT_FALSE(doc.LoadXml("<A>&undefined;</A>"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(doc.Count("A"), 0);
}

TEST(XmlDocument, BlankTextIsNotPreserved) {
    CXmlDocument doc;
    ASSERT_TRUE(
        doc.LoadXml("<A>\n  <B> </B>\n  <C>x</C>\r\n\t<D xml:space='preserve'> <E/> </D></A>"));
    EXPECT_EQ(doc.ChildCount("A/B", 0), 3);
    EXPECT_EQ(doc.ChildCount("A/B/X", 0), 0);  // B holds only blanks
    EXPECT_EQ(doc.ChildCount("A/C/X", 0), 1);  // text that is not blank stays
    EXPECT_EQ(doc.ChildCount("A/D/E", 0), 3);  // kept where xml:space says so
}

TEST(XmlDocument, TextIsReadAsUtf8WhateverItsDeclarationSays) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadXml("<?xml version='1.0' encoding='ISO-8859-1'?><A N='Temp\xC3\xA9'/>"));
    std::string out;
    ASSERT_TRUE(doc.GetAttribute("A", 0, 0, "N", out));
    EXPECT_EQ(out, "Temp\xC3\xA9");
}

TEST(XmlDocument, FileEncodingIsHonoured) {
    CTempDir dir;
    WriteText(In(dir, "latin1.xml"),
              "<?xml version='1.0' encoding='ISO-8859-1'?><A N='Temp\xE9'/>");
    CXmlDocument doc;
    ASSERT_TRUE(doc.Load(In(dir, "latin1.xml")));
    std::string out;
    ASSERT_TRUE(doc.GetAttribute("A", 0, 0, "N", out));
    EXPECT_EQ(out, "Temp\xC3\xA9");
}

TEST(XmlDocument, ExternalEntitiesAreNotFetched) {
    CTempDir dir;
    WriteText(In(dir, "secret.txt"), "secret");
    CXmlDocument doc;
    std::string text =
        "<!DOCTYPE A [<!ENTITY s SYSTEM '" + In(dir, "secret.txt") + "'>]><A>&s;</A>";
    doc.LoadXml(text);
    std::string xml;
    ASSERT_TRUE(doc.GetXml(xml));
    EXPECT_EQ(xml.find("secret<"), std::string::npos) << xml;
}

TEST(XmlDocument, AppendBuildsADocumentFromTheRoot) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Create());
    EXPECT_TRUE(doc.AppendElement("/", 0, "VORNPILOT"));
    EXPECT_TRUE(doc.AppendElement("/VORNPILOT", 0, "TEMP"));
    EXPECT_TRUE(doc.AppendTextElement("/VORNPILOT", 0, "PATH", "/opt/v/"));
    EXPECT_TRUE(doc.AppendElement("/VORNPILOT/TEMP", 0, "ITEM"));
    EXPECT_TRUE(doc.AppendElement("/VORNPILOT/TEMP", 0, "ITEM"));
    EXPECT_TRUE(doc.AppendTextElement("/VORNPILOT/TEMP/ITEM", 1, "NAME", "SYS"));
    EXPECT_TRUE(doc.AppendTextElement("/VORNPILOT/TEMP/ITEM", 0, "NAME", "CPU"));
    EXPECT_TRUE(doc.AppendTextElement("/VORNPILOT/TEMP/ITEM", 0, "VALUE", ""));
    std::string xml;
    ASSERT_TRUE(doc.GetXml(xml));
    EXPECT_EQ(xml,
              "<VORNPILOT><TEMP><ITEM><NAME>CPU</NAME><VALUE/></ITEM><ITEM><NAME>SYS</NAME></ITEM>"
              "</TEMP><PATH>/opt/v/</PATH></VORNPILOT>\n");
    EXPECT_EQ(doc.Count("VORNPILOT/TEMP/ITEM/NAME"), 2);
}

struct AppendFailure {
    const char* expression;
    int index;
    const char* name;
};

class AppendRefused : public ::testing::TestWithParam<AppendFailure> {};

TEST_P(AppendRefused, FailsAndChangesNothing) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadXml("<A x='1'><B>text</B></A>"));
    std::string before;
    ASSERT_TRUE(doc.GetXml(before));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(doc.AppendElement(GetParam().expression, GetParam().index, GetParam().name));
    EXPECT_FALSE(
        doc.AppendTextElement(GetParam().expression, GetParam().index, GetParam().name, "t"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    std::string after;
    ASSERT_TRUE(doc.GetXml(after));
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppendRefused,
    ::testing::Values(AppendFailure{"/A/C", 0, "N"},         // nothing selected
                      AppendFailure{"/A/B", 1, "N"},         // no node k
                      AppendFailure{"/A/B", -1, "N"},        // negative index
                      AppendFailure{"/", 0, "N"},            // the document has its root
                      AppendFailure{"/A/@x", 0, "N"},        // an attribute holds no element
                      AppendFailure{"/A/B/text()", 0, "N"},  // nor does text
                      AppendFailure{"/A[", 0, "N"},          // not XPath
                      AppendFailure{"count(/A)", 0, "N"},    // not a node set
                      AppendFailure{"/A", 0, ""},            // not element names
                      AppendFailure{"/A", 0, "1N"}, AppendFailure{"/A", 0, "a b"},
                      AppendFailure{"/A", 0, "p:N"}, AppendFailure{"/A", 0, "N\xFF"}));

TEST(XmlDocument, AppendedTextIsEscapedAndMadeXmlSafe) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.Create());
    ASSERT_TRUE(doc.AppendElement("/", 0, "R"));
    ASSERT_TRUE(doc.AppendTextElement("/R", 0, "T", "a<b & \"c\" &amp; \x01 \xFF end"));
    std::string xml;
    ASSERT_TRUE(doc.GetXml(xml));
    EXPECT_EQ(xml, "<R><T>a&lt;b &amp; \"c\" &amp;amp; \xEF\xBF\xBD \xEF\xBF\xBD end</T></R>\n");
    CXmlDocument again;
    ASSERT_TRUE(again.LoadXml(xml));
}

TEST(XmlDocument, GetXmlKeepsCommentsAndLeavesOutTheDeclaration) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadXml("<?xml version='1.0'?>\n<!--c-->\n<A>\xC3\xA9<B/></A>"));
    std::string xml;
    ASSERT_TRUE(doc.GetXml(xml));
    EXPECT_EQ(xml, "<!--c-->\n<A>\xC3\xA9<B/></A>\n");
}

class StylesheetTransform : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_report.LoadXml(
            "<VORNPILOT><TEMP><ITEM><NAME>CPU</NAME><VALUE> 45 C</VALUE></ITEM>"
            "<ITEM><NAME>SYS</NAME><VALUE> 30 C</VALUE></ITEM></TEMP></VORNPILOT>"));
    }
    CXmlDocument m_report;
    CTempDir m_dir;
};

TEST_F(StylesheetTransform, TurnsTheReportIntoText) {
    CXmlDocument xsl;
    ASSERT_TRUE(xsl.Load(DATA + "/report.xsl"));
    std::string out;
    ASSERT_TRUE(m_report.Transform(xsl, out)) << m_report.LastError();
    EXPECT_NE(out.find("<span id=\"CPU_Temp_Value\"> 45 C</span>"), std::string::npos) << out;
    EXPECT_NE(out.find("<span id=\"SYS_Temp_Value\"> 30 C</span>"), std::string::npos) << out;
    // The stylesheet document stays usable for another transformation.
    std::string again;
    ASSERT_TRUE(m_report.Transform(xsl, again));
    EXPECT_EQ(again, out);
}

TEST_F(StylesheetTransform, FailsForAStylesheetThatDidNotLoad) {
    CXmlDocument xsl;
    ASSERT_FALSE(xsl.Load(DATA + "/broken.xml"));
    std::string out = "untouched";
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(m_report.Transform(xsl, out));
    CXmlDocument never;
    EXPECT_FALSE(m_report.Transform(never, out));
    EXPECT_FALSE(never.Transform(m_report, out));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(out, "untouched");
}

TEST_F(StylesheetTransform, FailsForXmlThatIsNotAStylesheetOrStopsItself) {
    std::string out = "untouched";
    CXmlDocument plain;
    ASSERT_TRUE(plain.LoadXml("<html><body/></html>"));
    CXmlDocument stops;
    ASSERT_TRUE(stops.LoadXml(
        "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
        "<xsl:template match='/'><xsl:message terminate='yes'>no</xsl:message></xsl:template>"
        "</xsl:stylesheet>"));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(m_report.Transform(plain, out));
    EXPECT_FALSE(m_report.Transform(stops, out));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(out, "untouched");
}

TEST_F(StylesheetTransform, IncludesResolveBesideTheStylesheetEvenWithBlanksInTheFolder) {
    std::filesystem::path folder = std::filesystem::path(m_dir.Path()) / "my skin";
    std::filesystem::create_directories(folder);
    WriteText((folder / "names.xsl").string(),
              "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
              "<xsl:template match='ITEM'>[<xsl:value-of select='NAME'/>]</xsl:template>"
              "</xsl:stylesheet>");
    WriteText((folder / "page.xsl").string(),
              "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
              "<xsl:include href='names.xsl'/><xsl:output method='text'/>"
              "<xsl:template match='/'><xsl:apply-templates select='//ITEM'/></xsl:template>"
              "</xsl:stylesheet>");
    CXmlDocument xsl;
    ASSERT_TRUE(xsl.Load((folder / "page.xsl").string()));
    std::string out;
    ASSERT_TRUE(m_report.Transform(xsl, out)) << m_report.LastError();
    EXPECT_EQ(out, "[CPU][SYS]");
}

TEST_F(StylesheetTransform, OutputIsUtf8WhateverEncodingTheStylesheetNames) {
    CXmlDocument report;
    ASSERT_TRUE(report.LoadXml("<R><N>Temp\xC3\xA9rature</N></R>"));
    CXmlDocument xsl;
    ASSERT_TRUE(xsl.LoadXml(
        "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
        "<xsl:output method='text' encoding='ISO-8859-1'/>"
        "<xsl:template match='/'><xsl:value-of select='R/N'/></xsl:template>"
        "</xsl:stylesheet>"));
    std::string out;
    ASSERT_TRUE(report.Transform(xsl, out));
    EXPECT_EQ(out, "Temp\xC3\xA9rature");
}

TEST_F(StylesheetTransform, StylesheetsCannotWriteFiles) {
    std::string target = In(m_dir, "written.txt");
    CXmlDocument xsl;
    ASSERT_TRUE(xsl.LoadXml(
        "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform' "
        "xmlns:exsl='http://exslt.org/common' extension-element-prefixes='exsl'>"
        "<xsl:template match='/'><exsl:document href='" +
        target + "' method='text'>x</exsl:document></xsl:template></xsl:stylesheet>"));
    std::string out;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(m_report.Transform(xsl, out));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(m_report.LastError().find("refused"), std::string::npos) << m_report.LastError();
    EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
