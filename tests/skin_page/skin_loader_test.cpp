#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <fstream>

#include "page_test_support.h"
#include "skin.h"
#include "skin_button.h"
#include "temp_dir.h"

namespace {

const char* REPORT =
    "<VORNPILOT><TEMP><ITEM><NAME>CPU</NAME><VALUE> 40 C</VALUE><LIMIT> 70 C</LIMIT></ITEM></TEMP>"
    "<PATH>/x/</PATH><VOLT/><FAN/></VORNPILOT>";

const char* XSL =
    "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
    "<xsl:output method='html'/><xsl:template match='/'>"
    "<xsl:for-each select='VORNPILOT/TEMP/ITEM'><div id='{NAME}_Temp_Value'>"
    "<xsl:value-of select='VALUE'/></div></xsl:for-each></xsl:template></xsl:stylesheet>";

class SkinLoaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        page = MakeReadyPage(QString::fromStdString(dir.Path()));
        owner = std::make_unique<QWidget>();
        Write("page.xsl", XSL);
        Write("a.js",
              "var loaded = 'a';\nfunction Hello(){ document.body.dataset.hello = 'yes'; }");
        // A 40 x 30 background whose magenta corner is outside the window.
        QImage bg(40, 30, QImage::Format_RGB32);
        bg.fill(Qt::darkBlue);
        bg.setPixelColor(0, 0, QColor(255, 0, 255));
        bg.save(QString::fromStdString(dir.Path() + "/bg.bmp"), "BMP");
        QImage mask(12, 8, QImage::Format_RGB32);
        mask.fill(Qt::black);
        mask.save(QString::fromStdString(dir.Path() + "/mask.bmp"), "BMP");
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(dir.Path() + "/" + name) << text;
    }
    void Definition(const std::string& inner,
                    const std::string& skinAttributes = " BACKGROUND='bg.bmp'") {
        Write("SkinDefine.xml",
              "<VORNSKINDEFINE><SKIN" + skinAttributes + ">" + inner + "</SKIN></VORNSKINDEFINE>");
    }
    SSkinLoadResult Load(const std::string& folder, const std::string& report = REPORT) {
        skin.SetSkinFile("SkinDefine.xml");
        SSkinLoadResult r = skin.LoadSkin(folder, owner.get(), page.document, report);
        page.document->Flush();
        WaitUntil([&] { return page.document->PendingBatches() == 0; });
        return r;
    }

    CTempDir dir;
    SReadyPage page;
    std::unique_ptr<QWidget> owner;
    CSkin skin;
};

TEST_F(SkinLoaderTest, AFullLoadBuildsThePageTheOutlineAndTheButtons) {
    Definition(
        "<XSL SRC='page.xsl'/><IMAGE ID='logo' SRC='bg.bmp' X='5' Y='7' Z='3'/><IMAGE/>"
        "<JAVASCRIPT SRC='a.js'/>"
        "<NORMALBUTTON><BUTTON ID='TOP' CHECKBOX='TRUE' X='1' Y='2' WIDTH='30' "
        "HEIGHT='20'/><BUTTON ID='MIN' CHECKBOX='true'/></NORMALBUTTON>"
        "<JSBUTTON><BUTTON ID='TEMPWARNEVENT' CALL='Hello' MASKIMAGE='mask.bmp' "
        "WIDTH='99' HEIGHT='99'/><BUTTON ID='NOCALL'/></JSBUTTON>");
    const SSkinLoadResult r = Load(dir.Path());  // no trailing "/"
    ASSERT_TRUE(r.built);
    EXPECT_TRUE(r.failure.empty());
    EXPECT_EQ(skin.Folder(), dir.Path() + "/");
    EXPECT_EQ(skin.StylesheetPath(), dir.Path() + "/page.xsl");
    EXPECT_TRUE(owner->isVisible());
    EXPECT_EQ(owner->size(), QSize(40, 30));
    EXPECT_FALSE(owner->mask().contains(QPoint(0, 0))) << "magenta is outside";
    EXPECT_TRUE(owner->mask().contains(QPoint(1, 0)));

    // The page, read back: transformed report, then the IMG tags in the exact format.
    const QString body = page.Text("document.body.innerHTML");
    EXPECT_TRUE(body.startsWith("<div id=\"CPU_Temp_Value\"> 40 C</div>")) << body.toStdString();
    EXPECT_EQ(page.Text("document.getElementById('logo').getAttribute('style')"),
              "position:absolute;top:7px;left:5px;z-index:3;");
    EXPECT_EQ(page.Text("document.getElementById('logo').getAttribute('src')"),
              QString::fromStdString(dir.Path() + "/bg.bmp"));
    EXPECT_EQ(page.Text("String(document.images[1].getAttribute('src'))"), "");
    EXPECT_EQ(page.Text("document.images[1].id"), "");
    // The script block stands before the body, its functions are page globals and it set the
    // page background.
    EXPECT_EQ(page.Text("document.body.previousElementSibling.tagName"), "SCRIPT");
    EXPECT_EQ(page.Text("String(window.loaded)"), "a");
    EXPECT_EQ(page.Text("document.body.background"),
              QString::fromStdString(dir.Path() + "/bg.bmp"));
    EXPECT_EQ(page.Text("getComputedStyle(document.body).backgroundImage"),
              QString::fromStdString("url(\"file://" + dir.Path() + "/bg.bmp\")"));
    EXPECT_EQ(skin.ScriptBlock().rfind("<BR><script defer>var loaded", 0), 0u);

    // Buttons: kinds, check rules, mask size.
    ASSERT_EQ(skin.Buttons().size(), 4u);
    EXPECT_EQ(skin.FindButton("TOP")->geometry(), QRect(1, 2, 30, 20));
    EXPECT_EQ(skin.FindButton("TEMPWARNEVENT")->size(), QSize(12, 8)) << "the mask's size wins";
    EXPECT_TRUE(skin.SetButtonCheck("TOP", 1));
    EXPECT_EQ(skin.FindButton("TOP")->GetCheck(), 1);
    EXPECT_FALSE(skin.SetButtonCheck("MIN", 1)) << "\"true\" is not \"TRUE\": a push button";
    EXPECT_FALSE(skin.SetButtonCheck("NOSUCH", 1));

    // Skin events run the CALL of the button with that ID.
    EXPECT_FALSE(skin.RaiseSkinEvent("NOCALL"));
    EXPECT_FALSE(skin.RaiseSkinEvent("FANWARNEVENT"));
    EXPECT_EQ(page.Text("String(document.body.dataset.hello)"), "undefined");
    EXPECT_TRUE(skin.RaiseSkinEvent("TEMPWARNEVENT"));
    EXPECT_EQ(page.Text("String(document.body.dataset.hello)"), "yes");
    EXPECT_TRUE(skin.SetElementHtml("CPU_Temp_Value", " 41 C"));
    EXPECT_FALSE(skin.SetElementHtml("SYS_Temp_Value", "x"));
}

TEST_F(SkinLoaderTest, WhatASkinLacksLeavesThePageAsItWas) {
    // No JAVASCRIPT: no script block, no page background. Empty report: the body stays.
    Definition("<XSL SRC='page.xsl'/><IMAGE ID='unused' SRC='bg.bmp'/>");
    page.document->SetBodyHtml("<p id='kept'>kept</p>");
    ASSERT_TRUE(Load(dir.Path() + "/", "").built);
    EXPECT_EQ(page.Text("document.body.innerHTML"), "<p id=\"kept\">kept</p>");
    EXPECT_EQ(page.Text("document.body.background"), "");
    EXPECT_EQ(page.Text("document.body.previousElementSibling.tagName"), "HEAD");
    EXPECT_TRUE(skin.ScriptBlock().empty());

    // A report without a stylesheet fails with the window hidden and no buttons.
    Definition("<NORMALBUTTON><BUTTON ID='A'/></NORMALBUTTON>");
    const SSkinLoadResult noXsl = Load(dir.Path());
    EXPECT_FALSE(noXsl.built);
    EXPECT_FALSE(owner->isVisible());
    EXPECT_TRUE(skin.Buttons().empty());
    EXPECT_TRUE(skin.StylesheetPath().empty());

    // No definition file at all: false, nothing touched.
    std::remove((dir.Path() + "/SkinDefine.xml").c_str());
    EXPECT_FALSE(Load(dir.Path()).built);
}

TEST_F(SkinLoaderTest, BrokenSkinsLoadWhatTheyCanAndSayWhatWentWrong) {
    // Not well-formed: no elements, so with a report the stylesheet is missing.
    Write("SkinDefine.xml", "<VORNSKINDEFINE><SKIN BACKGROUND='bg.bmp'>");
    SSkinLoadResult r = Load(dir.Path());
    EXPECT_FALSE(r.built);
    ASSERT_FALSE(r.problems.empty());
    EXPECT_NE(r.problems[0].find("SkinDefine.xml"), std::string::npos);

    // A script file that cannot be read abandons the load and names the file; what loaded
    // before it is on the page.
    Definition(
        "<XSL SRC='page.xsl'/><JAVASCRIPT SRC='a.js'/><JAVASCRIPT SRC='gone.js'/>"
        "<NORMALBUTTON><BUTTON ID='A'/></NORMALBUTTON>");
    r = Load(dir.Path());
    EXPECT_FALSE(r.built);
    EXPECT_NE(r.failure.find(dir.Path() + "/gone.js"), std::string::npos) << r.failure;
    EXPECT_TRUE(page.Text("document.body.innerHTML").contains("CPU_Temp_Value"));

    // Names that would leave the skin folder name nothing.
    Definition("<XSL SRC='page.xsl'/><JAVASCRIPT SRC='../a.js'/>");
    r = Load(dir.Path());
    EXPECT_FALSE(r.built);
    EXPECT_NE(r.failure.find("../a.js"), std::string::npos) << r.failure;

    // An attribute past the format's 255 characters is cut, and said.
    Definition("<XSL SRC='page.xsl'/><NORMALBUTTON><BUTTON ID='" + std::string(400, 'X') +
               "'/></NORMALBUTTON>");
    r = Load(dir.Path());
    EXPECT_TRUE(r.built);
    ASSERT_EQ(skin.Buttons().size(), 1u);
    EXPECT_EQ(skin.Buttons()[0]->Id().size(), 255u);
    EXPECT_EQ(r.problems.size(), 1u);
}

TEST_F(SkinLoaderTest, TransparencyFollowsTheLayeredRules) {
    Definition("");
    ASSERT_TRUE(Load(dir.Path(), "").built);
    ASSERT_TRUE(skin.SetTransparency(255));
    EXPECT_TRUE(skin.Layered()) << "the first call always makes the window layered";
    EXPECT_DOUBLE_EQ(owner->windowOpacity(), 1.0);
    ASSERT_TRUE(skin.SetTransparency(128));
    EXPECT_TRUE(skin.Layered());
    EXPECT_NEAR(owner->windowOpacity(), 128 / 255.0, 0.01);
    ASSERT_TRUE(skin.SetTransparency(255));
    EXPECT_FALSE(skin.Layered());
    EXPECT_DOUBLE_EQ(owner->windowOpacity(), 1.0);
}

}  // namespace
