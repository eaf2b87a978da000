#include <gtest/gtest.h>

#include "page_index.h"
#include "skin_definition.h"
#include "skin_paths.h"
#include "xml_document.h"

namespace {

TEST(SkinPaths, NamesJoinTheFolderPlainlyAndNeverLeaveIt) {
    struct Case {
        const char* folder;
        const char* name;
        const char* always;
        const char* optional;
    } cases[] = {
        {"/skins/a", "bg.bmp", "/skins/a/bg.bmp", "/skins/a/bg.bmp"},
        {"/skins/a/", "bg.bmp", "/skins/a/bg.bmp", "/skins/a/bg.bmp"},
        {"/skins/a/", "", "/skins/a/", ""},
        {"/skins/a/", "sub/x.bmp", "/skins/a/sub/x.bmp", "/skins/a/sub/x.bmp"},
        {"/skins/a/", "/etc/passwd", "/skins/a//etc/passwd", "/skins/a//etc/passwd"},
        {"/skins/a/", "../b/x.bmp", "", ""},
        {"/skins/a/", "sub/../../x", "", ""},
        {"/skins/a/", "..\\x", "", ""},
        {"/skins/a/", "x..y.bmp", "/skins/a/x..y.bmp", "/skins/a/x..y.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.folder) + " + " + c.name);
        EXPECT_EQ(SkinFilePath(c.folder, c.name), c.always);
        EXPECT_EQ(OptionalSkinFilePath(c.folder, c.name), c.optional);
    }
}

TEST(PageIndex, IdsAndTopLevelFunctionsAreFoundAsThePageWouldHoldThem) {
    EXPECT_EQ(HtmlElementIds("<div id=\"a\"><span ID=b></span><input name='c'></div>"
                             "<p id='d'>unclosed <b id=e>"),
              (std::set<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(HtmlElementIds(""), std::set<std::string>{});

    const std::string script = R"(
        function One(a, b) { function Inner() {} var s = "function Fake() {"; }
        // function Commented() {}
        /* function Block() {} */
        var x = { f: function Member() {} };
        if (x) { function Nested() {} }
        function
        Two () { return '}'; }
        function(){}  functionally(); async function Three() {}
    )";
    EXPECT_EQ(ScriptFunctionNames(script), (std::set<std::string>{"One", "Two", "Three"}));
}

TEST(SkinDefinitionReading, ValuesButtonsAndGroupsComeOutInCreationOrder) {
    const std::string longId(300, 'L');
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadXml(
        "<VORNSKINDEFINE><SKIN BACKGROUND='bg.bmp'><XSL SRC='page.xsl'/>"
        "<IMAGE ID='logo' SRC='l.bmp' X=' +12px' Y='-3' Z='abc'/><IMAGE/>"
        "<JAVASCRIPT SRC='a.js'/><JAVASCRIPT SRC='b.js'/>"
        "<JSBUTTON><BUTTON ID='JS1' CALL='Go' CHECKBOX='TRUE'/>"
        "<GROUP><BUTTON ID='VOLT' CALL='ShowVolt'/><!-- c --><BUTTON ID='TEMP'/></GROUP></JSBUTTON>"
        "<NORMALBUTTON><BUTTON ID='TOP' CHECKBOX='TRUE' WIDTH='20' HEIGHT='9'/>"
        "<BUTTON ID='MIN' CHECKBOX='true' CALL='ignored'/>"
        "<GROUP><BUTTON ID='G1'/></GROUP><GROUP><BUTTON ID='G2'/><BUTTON ID='" +
        longId + "'/></GROUP></NORMALBUTTON></SKIN></VORNSKINDEFINE>"));
    const SSkinDefinition def = ReadSkinDefinition(doc);
    EXPECT_EQ(def.background, "bg.bmp");
    EXPECT_EQ(def.xsl, "page.xsl");
    ASSERT_EQ(def.images.size(), 2u);
    EXPECT_EQ(def.images[0].x, 12);
    EXPECT_EQ(def.images[0].y, -3);
    EXPECT_EQ(def.images[0].z, 0);
    EXPECT_EQ(def.images[1].id, "");
    EXPECT_EQ(def.scripts, (std::vector<std::string>{"a.js", "b.js"}));

    std::vector<std::string> order;
    for (const SSkinButtonDef& b : def.buttons)
        order.push_back(b.id.substr(0, 3) + ":" + std::to_string(b.group) + ":" +
                        (b.check ? "c" : "-") + (b.script ? "s" : "p") + ":" + b.call);
    EXPECT_EQ(order, (std::vector<std::string>{"G1:0:-p:", "G2:1:-p:", "LLL:1:-p:", "TOP:-1:cp:",
                                               "MIN:-1:-p:", "VOL:2:-s:ShowVolt",
                                               "TEM:2:-s:", "JS1:-1:cs:Go"}));
    EXPECT_EQ(def.buttons[2].id.size(), MAX_SKIN_ATTRIBUTE);
    EXPECT_EQ(def.buttons[3].width, 20);
    ASSERT_EQ(def.problems.size(), 1u);
    EXPECT_NE(def.problems[0].find("longer than 255"), std::string::npos);

    CXmlDocument broken;
    EXPECT_FALSE(broken.LoadXml("<VORNSKINDEFINE><SKIN BACKGROUND='x'>"));
    const SSkinDefinition empty = ReadSkinDefinition(broken);
    EXPECT_TRUE(empty.background.empty());
    EXPECT_TRUE(empty.buttons.empty());
}

TEST(SkinDefinitionReading, ElementsPastTheirNumberAreLeftOutAndSaidOnce) {
    std::string skin = "<VORNSKINDEFINE><SKIN>";
    for (int i = 0; i <= MAX_SKIN_IMAGES; ++i)
        skin += "<IMAGE/>";
    for (int i = 0; i <= MAX_SKIN_SCRIPTS; ++i)
        skin += "<JAVASCRIPT/>";
    skin += "<NORMALBUTTON><GROUP>";
    for (int i = 0; i < MAX_SKIN_BUTTONS + 5; ++i)
        skin += "<BUTTON ID='b'/>";
    skin += "</GROUP></NORMALBUTTON></SKIN></VORNSKINDEFINE>";
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadXml(skin));
    const SSkinDefinition def = ReadSkinDefinition(doc);
    EXPECT_EQ(def.images.size(), static_cast<size_t>(MAX_SKIN_IMAGES));
    EXPECT_EQ(def.scripts.size(), static_cast<size_t>(MAX_SKIN_SCRIPTS));
    EXPECT_EQ(def.buttons.size(), static_cast<size_t>(MAX_SKIN_BUTTONS));
    EXPECT_EQ(def.problems.size(), 3u);
}

}  // namespace
