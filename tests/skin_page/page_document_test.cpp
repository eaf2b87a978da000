#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QTcpServer>
#include <fstream>

#include "page_test_support.h"
#include "page_watch.h"
#include "script_bridge.h"
#include "temp_dir.h"

namespace {

class PageDocumentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        page = MakeReadyPage(QString::fromStdString(dir.Path()));
        ASSERT_TRUE(page.document->IsReady());
    }
    bool Applied() {
        page.document->Flush();
        return WaitUntil([&] { return page.document->PendingBatches() == 0; });
    }

    CTempDir dir;
    SReadyPage page;
};

TEST_F(PageDocumentTest, TheInitialPageIsTheEmptyGreyBodyAndKeysAreCancelled) {
    EXPECT_EQ(page.Text("document.body.id"), "CVAMDlg");
    EXPECT_EQ(page.Text("getComputedStyle(document.body).backgroundColor"), "rgb(211, 211, 211)");
    EXPECT_EQ(page.Text("String(new KeyboardEvent('keydown',{key:'a',cancelable:true})"
                        ".defaultPrevented)"),
              "false");
    EXPECT_EQ(page.Text("(function(){var e=new KeyboardEvent('keydown',{key:'a',cancelable:true,"
                        "bubbles:true});document.body.dispatchEvent(e);return String("
                        "e.defaultPrevented);})()"),
              "true");
}

TEST_F(PageDocumentTest, ElementsAreKnownAtOnceFromTheMarkupAndLaterFromThePage) {
    EXPECT_FALSE(page.document->SetElementHtml("CPU_Temp_Value", "x"));
    page.document->SetBodyHtml("<div id=\"CPU_Temp_Value\"></div><span name='n1'></span>");
    // No wait: the index comes from the markup itself.
    EXPECT_TRUE(page.document->SetElementHtml("CPU_Temp_Value", " 45 &#176;C"));
    EXPECT_TRUE(page.document->SetElementHtml("n1", "by name"));
    EXPECT_EQ(page.Text("document.getElementById('CPU_Temp_Value').innerHTML"), " 45 °C");
    EXPECT_EQ(page.Text("document.getElementsByName('n1')[0].textContent"), "by name");

    // An element the page's own script makes is known once the page has reported it.
    page.document->RunScript(
        "var d=document.createElement('p');d.id='made';"
        "document.body.appendChild(d);");
    EXPECT_FALSE(page.document->SetElementHtml("made", "too early"));
    ASSERT_TRUE(Applied());
    EXPECT_TRUE(page.document->SetElementHtml("made", "now"));
    EXPECT_EQ(page.Text("document.getElementById('made').textContent"), "now");
}

TEST_F(PageDocumentTest, SixtyWritesReachThePageAsOneBatchInOrder) {
    std::string body;
    for (int i = 0; i < 60; ++i)
        body += "<b id=\"e" + std::to_string(i) + "\"></b>";
    page.document->SetBodyHtml(body);
    ASSERT_TRUE(Applied());
    int batches = 0;
    QObject::connect(page.document, &CWebPageDocument::BatchApplied, [&] { ++batches; });
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(page.document->SetElementHtml('e' + std::to_string(i), std::to_string(i)));
    page.document->SetElementHtml("e0", "last write wins");
    ASSERT_TRUE(Applied());
    EXPECT_EQ(batches, 1);
    EXPECT_EQ(page.Text("document.getElementById('e59').textContent"), "59");
    EXPECT_EQ(page.Text("document.getElementById('e0').textContent"), "last write wins");
}

TEST_F(PageDocumentTest, TheBridgeCallsPageFunctionsAndKeepsItsLastError) {
    CScriptBridge bridge;
    EXPECT_FALSE(bridge.CallFunction("Anything"));
    EXPECT_EQ(bridge.LastError(), "JSCall Error:\nCannot GetScript");
    EXPECT_FALSE(bridge.SetDocument(nullptr));
    EXPECT_EQ(bridge.LastError(), "JSCall Error:\nNULL pointer");
    ASSERT_TRUE(bridge.SetDocument(page.document));

    page.document->RunScript(
        "var got=[];function Two(a,b){got.push(a,b,arguments.length);}\n"
        "if(false){function Hidden(){}}");
    EXPECT_TRUE(bridge.CallFunction("Two", {"a", "b\"'</script>\n"}));
    EXPECT_EQ(page.Text("JSON.stringify(got)"), "[\"a\",\"b\\\"'</script>\\n\",2]");

    EXPECT_FALSE(bridge.CallFunction("NoSuchFunction"));
    EXPECT_EQ(bridge.LastError(), "JSCall Error:\nUnknown name.");
    EXPECT_TRUE(bridge.CallFunction("Two"));
    EXPECT_EQ(bridge.LastError(), "JSCall Error:\nUnknown name.") << "a success keeps the text";

    // With a ".", the name is script text: no lookup, no error.
    EXPECT_TRUE(bridge.CallFunction("window.dotted = 7"));
    EXPECT_EQ(page.Text("String(window.dotted)"), "7");

    // A function the page made itself counts once the page has reported it; one that threw is
    // recorded when the page says so.
    page.document->RunScript("window.Late = function(){ throw new Error('late failure'); };");
    ASSERT_TRUE(Applied());
    page.document->SetErrorSink([&](const std::string& e) { bridge.RecordError(e); });
    EXPECT_TRUE(bridge.CallFunction("Late"));
    ASSERT_TRUE(Applied());
    EXPECT_EQ(bridge.LastError(), "JSCall Error:\nError: late failure");
}

TEST_F(PageDocumentTest, ThePageStaysAndReachesOnlyItsOwnFolders) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const std::string http = "http://127.0.0.1:" + std::to_string(server.serverPort()) + "/x.png";
    std::ofstream(dir.Path() + "/in.bmp") << "x";
    page.document->SetBodyHtml("<img id='net' src='" + http + "'><img id='own' src='in.bmp'>" +
                               "<img id='far' src='file:///etc/hostname'>");
    page.document->RunScript("fetch('" + http +
                             "').catch(function(){});"
                             "location.href='file:///etc/'; window.open('about:blank');");
    ASSERT_TRUE(Applied());
    ASSERT_TRUE(WaitUntil([&] { return !page.host->RefusedRequests().isEmpty(); }));
    EXPECT_FALSE(server.waitForNewConnection(500)) << "the page reached the network";
    const QStringList refused = page.host->RefusedRequests();
    EXPECT_TRUE(refused.contains("file:///etc/hostname")) << refused.join(' ').toStdString();
    EXPECT_FALSE(refused.join(' ').contains("in.bmp"));
    EXPECT_EQ(page.Text("document.body.id"), "CVAMDlg") << "the page never navigated away";
    EXPECT_EQ(QDir(page.host->url().toLocalFile()).canonicalPath(),
              QDir(QString::fromStdString(dir.Path())).canonicalPath());
}

// A skin script that spins stops the page from applying anything: a banner over the page says
// so within a few passes and goes once the page applies again.
TEST_F(PageDocumentTest, ABannerSaysWhenThePageStopsApplyingUpdates) {
    CPageWatch watch(page.document, page.window.get());
    QLabel* banner = watch.Banner();
    for (int pass = 0; pass <= CPageWatch::STALL_PASSES; ++pass) {
        page.document->RunScript("var n = " + std::to_string(pass) + ";");
        ASSERT_TRUE(Applied());
        watch.OnPass();
    }
    EXPECT_FALSE(banner->isVisible());

    page.document->RunScript("var end = Date.now() + 5000; while (Date.now() < end) {}");
    page.document->Flush();
    for (int pass = 0; pass < CPageWatch::STALL_PASSES; ++pass) {
        page.document->RunScript("var n = 0;");
        QApplication::processEvents();
        watch.OnPass();
    }
    EXPECT_TRUE(watch.Stalled());
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->width(), page.window->width());
    EXPECT_TRUE(banner->text().contains("not responding"));
    EXPECT_TRUE(WaitUntil([&] { return !watch.Stalled(); }, 60000));
    EXPECT_FALSE(banner->isVisible());
}

}  // namespace
