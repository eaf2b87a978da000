#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "hostile_stylesheets.h"
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
        skin.SetTransformHelper(std::string(VORN_BIN_DIR) + "/vorn-xslt");
        skin.SetLoadListener([this](const SSkinLoadResult& r) { last = r; });
        Write("page.xsl", XSL);
        Write("a.js",
              "var loaded = 'a';\nfunction Hello(){ document.body.dataset.hello = 'yes'; }");
        // A 160 x 80 background whose magenta corner is outside the window.
        Background(dir.Path() + "/bg.bmp", 160, 80);
        QImage mask(12, 8, QImage::Format_RGB32);
        mask.fill(Qt::black);
        mask.save(QString::fromStdString(dir.Path() + "/mask.bmp"), "BMP");
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(dir.Path() + "/" + name) << text;
    }
    static void Background(const std::string& path, int width, int height) {
        QImage bg(width, height, QImage::Format_RGB32);
        bg.fill(Qt::darkBlue);
        bg.setPixelColor(0, 0, QColor(255, 0, 255));
        bg.save(QString::fromStdString(path), "BMP");
    }
    void Definition(const std::string& inner,
                    const std::string& skinAttributes = " BACKGROUND='bg.bmp'") {
        Write("SkinDefine.xml",
              "<VORNSKINDEFINE><SKIN" + skinAttributes + ">" + inner + "</SKIN></VORNSKINDEFINE>");
    }
    // The final result, once the stylesheet has run and the page has taken what it was sent.
    SSkinLoadResult Load(const std::string& folder, const std::string& report = REPORT) {
        skin.SetSkinFile("SkinDefine.xml");
        last = SSkinLoadResult();
        last.pending = true;
        skin.LoadSkin(folder, owner.get(), page.document, report);
        EXPECT_TRUE(WaitUntil([&] { return !last.pending; }, 60000));
        page.document->Flush();
        WaitUntil([&] { return page.document->PendingBatches() == 0; });
        return last;
    }

    CTempDir dir;
    SReadyPage page;
    std::unique_ptr<QWidget> owner;
    CSkin skin;
    SSkinLoadResult last;
};

TEST_F(SkinLoaderTest, AFullLoadBuildsThePageTheOutlineAndTheButtons) {
    Definition(
        "<XSL SRC='page.xsl'/><IMAGE ID='logo' SRC='bg.bmp' X='5' Y='7' Z='3'/><IMAGE/>"
        "<JAVASCRIPT SRC='a.js'/>"
        "<NORMALBUTTON><BUTTON ID='TOP' CHECKBOX='TRUE' X='1' Y='2' WIDTH='30' "
        "HEIGHT='20'/><BUTTON ID='MIN' CHECKBOX='true' X='40' WIDTH='20' HEIGHT='20'/>"
        "</NORMALBUTTON>"
        "<JSBUTTON><BUTTON ID='TEMPWARNEVENT' CALL='Hello' MASKIMAGE='mask.bmp' "
        "WIDTH='99' HEIGHT='99'/><BUTTON ID='NOCALL'/></JSBUTTON>");
    const SSkinLoadResult r = Load(dir.Path());  // no trailing "/"
    ASSERT_TRUE(r.built);
    EXPECT_TRUE(r.problems.empty()) << r.problems[0];
    EXPECT_EQ(skin.Folder(), dir.Path() + "/");
    EXPECT_EQ(skin.StylesheetPath(), dir.Path() + "/page.xsl");
    EXPECT_TRUE(owner->isVisible());
    EXPECT_EQ(owner->size(), QSize(160, 80));
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

TEST_F(SkinLoaderTest, BrokenSkinsLoadWhatTheyCanAndSayEverythingThatWentWrong) {
    // Not well-formed: no elements, so with a report the stylesheet is missing.
    Write("SkinDefine.xml", "<VORNSKINDEFINE><SKIN BACKGROUND='bg.bmp'>");
    SSkinLoadResult r = Load(dir.Path());
    EXPECT_FALSE(r.built);
    ASSERT_FALSE(r.problems.empty());
    EXPECT_NE(r.problems[0].find("SkinDefine.xml"), std::string::npos);

    // Each name that does not load, or would leave the skin folder, is named; the rest loads.
    Definition(
        "<XSL SRC='page.xsl'/><IMAGE SRC='gone.bmp'/><JAVASCRIPT SRC='gone.js'/>"
        "<JAVASCRIPT SRC='../a.js'/><JAVASCRIPT SRC='a.js'/>"
        "<NORMALBUTTON><BUTTON ID='CLOSE' IMAGE='gone.bmp' MASKIMAGE='../mask.bmp' WIDTH='20' "
        "HEIGHT='20'/><BUTTON ID='" +
        std::string(400, 'X') + "'/></NORMALBUTTON>");
    r = Load(dir.Path());
    EXPECT_TRUE(r.built);
    const std::vector<std::string> named = {"255 characters",
                                            "IMAGE \"" + dir.Path() + "/gone.bmp\"",
                                            "MASKIMAGE \"../mask.bmp\" is refused",
                                            "image \"" + dir.Path() + "/gone.bmp\"",
                                            dir.Path() + "/gone.js",
                                            "script \"../a.js\" is refused"};
    ASSERT_EQ(r.problems.size(), named.size());
    for (size_t i = 0; i < named.size(); ++i)
        EXPECT_NE(r.problems[i].find(named[i]), std::string::npos) << r.problems[i];
    EXPECT_EQ(page.Text("String(window.loaded)"), "a") << "the readable script ran";
    ASSERT_EQ(skin.Buttons().size(), 2u);
    EXPECT_EQ(skin.Buttons()[1]->Id().size(), 255u);
}

// A skin the window cannot be used with gives way to the fallback skin, every problem named.
class SkinFallbackTest : public SkinLoaderTest {
  protected:
    void SetUp() override {
        SkinLoaderTest::SetUp();
        std::filesystem::create_directories(fallback);
        Background(fallback + "bg.bmp", 200, 100);
        std::ofstream(fallback + "page.xsl") << XSL;
        std::ofstream(fallback + "SkinDefine.xml")
            << "<VORNSKINDEFINE><SKIN BACKGROUND='bg.bmp'><XSL SRC='page.xsl'/><NORMALBUTTON>"
               "<BUTTON ID='CLOSE' WIDTH='20' HEIGHT='20'/></NORMALBUTTON></SKIN></VORNSKINDEFINE>";
        skin.SetFallbackFolder(fallback);
    }
    // The problems of a refusal in one text, after checking the fallback took its place.
    std::string Refused(const SSkinLoadResult& r, const QString& cpu = " 40 C") {
        EXPECT_TRUE(r.built);
        EXPECT_EQ(r.refusedSkin, dir.Path() + "/SkinDefine.xml");
        EXPECT_EQ(skin.Folder(), fallback);
        EXPECT_EQ(owner->size(), QSize(200, 100));
        EXPECT_EQ(page.Text("document.getElementById('CPU_Temp_Value').textContent"), cpu);
        std::string text;
        for (const std::string& p : r.problems)
            text += p + "\n";
        return text;
    }

    std::string fallback = dir.Path() + "/default/";
};

TEST_F(SkinFallbackTest, AWindowWithoutBackgroundWayOutOrSizeIsRefused) {
    const std::string close = "<NORMALBUTTON><BUTTON ID='CLOSE' WIDTH='20' HEIGHT='20'/>";
    Background(dir.Path() + "/tiny.bmp", 30, 20);
    const struct {
        std::string background, buttons, says;
    } cases[] = {
        {"../bg.bmp", close, "background \"../bg.bmp\" is refused"},
        {"gone.bmp", close, "no outline and no size"},
        {"tiny.bmp", close, "30 x 20 pixels"},
        {"bg.bmp", "<NORMALBUTTON><BUTTON ID='CLOSE' X='500' WIDTH='20' HEIGHT='20'/>",
         "no button to close or minimise"},
    };
    for (const auto& c : cases) {
        Definition("<XSL SRC='page.xsl'/>" + c.buttons + "</NORMALBUTTON>",
                   " BACKGROUND='" + c.background + "'");
        EXPECT_NE(Refused(Load(dir.Path())).find(c.says), std::string::npos) << c.says;
    }
}

TEST_F(SkinFallbackTest, StylesheetsPastTheirBoundsAreRefusedWhileTheEventLoopGoesOn) {
    std::ofstream(dir.Path() + "/../secret.xml") << "<s>SECRET</s>";
    const struct {
        std::string stylesheet, says;
    } cases[] = {
        {ExponentialStylesheet(), "processor time|did not finish"},  // the second under load
        {DoublingStylesheet(), "MiB of memory"},
        {InfiniteRecursionStylesheet(), "recursion"},
        {EntityBombStylesheet(), "entity"},
        {Stylesheet("<xsl:template match='/'><xsl:copy-of select=\"document('" + dir.Path() +
                    "/../secret.xml')\"/></xsl:template>"),
         "refused"},
        {Stylesheet("<xsl:include href='../secret.xml'/>"), "refused"},
    };
    for (const auto& c : cases) {
        Definition(
            "<XSL SRC='page.xsl'/><NORMALBUTTON><BUTTON ID='MIN' WIDTH='20' HEIGHT='20'/>"
            "</NORMALBUTTON>");
        Write("page.xsl", c.stylesheet);
        skin.SetSkinFile("SkinDefine.xml");
        last.pending = true;
        skin.LoadSkin(dir.Path(), owner.get(), page.document, REPORT);
        ASSERT_TRUE(skin.Loading());
        // What the status page writes meanwhile is held for the page being built.
        EXPECT_TRUE(skin.SetElementHtml("CPU_Temp_Value", " 41 C"));
        int turns = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++turns; });
        ticker.start(0);
        ASSERT_TRUE(WaitUntil([&] { return !last.pending; }, 60000));
        EXPECT_GT(turns, 0);
        const std::string says = Refused(last, " 41 C");
        const size_t bar = c.says.find('|');
        EXPECT_TRUE(
            says.find(c.says.substr(0, bar)) != std::string::npos ||
            (bar != std::string::npos && says.find(c.says.substr(bar + 1)) != std::string::npos))
            << says;
        EXPECT_EQ(says.find("SECRET"), std::string::npos);
    }
    // A bomb in the definition itself does not parse, so the skin has no stylesheet.
    Write("SkinDefine.xml", EntityBombDoctype("VORNSKINDEFINE") +
                                "<VORNSKINDEFINE><SKIN BACKGROUND='&lol9;'/></VORNSKINDEFINE>");
    EXPECT_NE(Refused(Load(dir.Path())).find("entity"), std::string::npos);
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
