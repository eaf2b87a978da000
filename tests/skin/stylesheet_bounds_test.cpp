// What a skin's stylesheet and XML may not do: read outside the skin folder, expand entities
// without bound, recurse without bound, and (run by the helper) use unbounded time or memory.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "hostile_stylesheets.h"
#include "temp_dir.h"
#include "xml_document.h"
#include "xslt_bounds.h"

namespace {

const char* REPORT = "<VORNPILOT><TEMP><ITEM><NAME>CPU</NAME></ITEM></TEMP></VORNPILOT>";

class StylesheetReads : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(skin);
        std::ofstream(root.PathOf("secret.xml")) << "<s>SECRET</s>";
        std::ofstream(root.PathOf("outside.xsl"))
            << Stylesheet("<xsl:template match='/'>SECRET</xsl:template>");
        std::ofstream(skin + "inside.xml") << "<s>OWN</s>";
        std::filesystem::create_symlink(root.PathOf("secret.xml"), skin + "link.xml");
    }
    // Transforms with a stylesheet in the skin folder; the page, or "refused: " and the error.
    std::string Run(const std::string& inner) {
        std::ofstream(skin + "page.xsl") << Stylesheet(inner);
        CXmlDocument report;
        CXmlDocument xsl;
        EXPECT_TRUE(report.LoadXml(REPORT));
        EXPECT_TRUE(xsl.Load(skin + "page.xsl"));
        std::string out;
        return report.Transform(xsl, out, skin) ? out : "refused: " + report.LastError();
    }

    CTempDir root;
    const std::string skin = root.PathOf("skin/");
};

TEST_F(StylesheetReads, OnlyFilesBelowTheSkinFolderAreRead) {
    const auto copy = [](const std::string& uri) {
        return "<xsl:template match='/'><xsl:copy-of select=\"document('" + uri + "')\"/>" +
               "</xsl:template>";
    };
    EXPECT_NE(Run(copy("inside.xml")).find("OWN"), std::string::npos);
    for (const std::string& inner :
         {copy(root.PathOf("secret.xml")), copy("../secret.xml"), copy("link.xml"),
          copy("file://" + root.PathOf("secret.xml")), copy("http://127.0.0.1:9/x.xml"),
          std::string("<xsl:include href='../outside.xsl'/>"),
          "<xsl:import href='" + root.PathOf("outside.xsl") + "'/>"}) {
        const std::string page = Run(inner);
        EXPECT_EQ(page.find("SECRET"), std::string::npos) << inner;
        EXPECT_EQ(page.rfind("refused: ", 0), 0u) << inner << "\n" << page;
    }
}

TEST(XmlBounds, EntitiesThatAmplifyAndEndlessRecursionAreRefused) {
    // Left as references, each read of the attribute would expand 25 MB anew.
    std::string quadratic = "<!DOCTYPE A [<!ENTITY a '" + std::string(5000, 'x') + "'>]><A B='";
    for (int i = 0; i < 5000; ++i)
        quadratic += "&a;";
    for (const std::string& text :
         {EntityBombDoctype("A") + "<A B='&lol9;'>&lol9;</A>", quadratic + "'/>"}) {
        CXmlDocument doc;
        EXPECT_FALSE(doc.LoadXml(text));
        EXPECT_EQ(doc.Count("A"), 0);
    }
    CXmlDocument report;
    CXmlDocument xsl;
    ASSERT_TRUE(report.LoadXml(REPORT));
    ASSERT_TRUE(xsl.LoadXml(InfiniteRecursionStylesheet()));
    std::string out;
    EXPECT_FALSE(report.Transform(xsl, out));
    EXPECT_NE(report.LastError().find("recursion"), std::string::npos) << report.LastError();
}

// The helper as the window runs it: output into a pipe (it writes no file).
struct SHelperRun {
    int status = -1;
    std::string output;
};

SHelperRun RunHelper(const std::string& folder, const std::string& stylesheet) {
    std::ofstream(folder + "page.xsl") << stylesheet;
    std::ofstream(folder + "report.xml") << REPORT;
    const std::string command = std::string(VORN_BIN_DIR) + "/vorn-xslt '" + folder +
                                "page.xsl' '" + folder + "' < '" + folder + "report.xml' 2>&1";
    SHelperRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;)
        run.output.append(buf, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(StylesheetHelper, ReturnsThePageOrStopsAtItsBounds) {
#ifdef VORN_SANITIZED
    GTEST_SKIP() << "the address sanitizer's shadow memory does not fit in the helper's "
                    "address-space bound";
#endif
    CTempDir dir;
    const std::string folder = dir.Path() + "/";
    SHelperRun run =
        RunHelper(folder, Stylesheet("<xsl:output method='html'/><xsl:template match='/'><b id='x'>"
                                     "<xsl:value-of select='//NAME'/></b></xsl:template>"));
    EXPECT_EQ(run.status, XSLT_EXIT_DONE);
    EXPECT_EQ(run.output, "<b id=\"x\">CPU</b>\n");
    run = RunHelper(folder, DoublingStylesheet());
    EXPECT_EQ(run.status, XSLT_EXIT_OUT_OF_MEMORY) << run.output;
    run = RunHelper(folder, EntityBombStylesheet());
    EXPECT_EQ(run.status, XSLT_EXIT_FAILED);
    EXPECT_NE(run.output.find("entity"), std::string::npos) << run.output;
}

}  // namespace
