#include "skin_button.h"

#include <gtest/gtest.h>

#include <QObject>
#include <string>
#include <vector>

#include "button_fixture.h"
#include "script_caller.h"

namespace {

// The main window's side: takes the click commands as they arrive.
class COwner : public QObject {
    Q_OBJECT
  public slots:
    void OnSkinCommand(const QString& word) { ids.push_back(word.toStdString()); }

  public:
    std::vector<std::string> ids;
};

// Records each call and how many clicks the owner had seen by then.
class CFakeCaller : public IScriptCaller {
  public:
    explicit CFakeCaller(const COwner& owner) : m_owner(owner) {}
    bool CallFunction(const std::string& name) override {
        calls.push_back(name);
        clicksSeenAtCall.push_back(m_owner.ids.size());
        return false;  // a failing script must not stop the click
    }
    std::vector<std::string> calls;
    std::vector<size_t> clicksSeenAtCall;

  private:
    const COwner& m_owner;
};

struct ReportCase {
    const char* name;
    ESkinButtonKind kind;
    std::vector<std::string> calls;
};

class SkinButtonClick : public ButtonFixture, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(SkinButtonClick, RunsCallFirstThenPostsItsIdToTheOwner) {
    COwner owner;
    CFakeCaller caller(owner);
    auto* button = Make<CSkinButton>("VOLT", GetParam().kind, &owner, std::string("ShowVolt"),
                                     EButtonType::Radio);
    button->SetScriptBridge(&caller);
    size_t clicksSeenAtSignal = 99;
    QObject::connect(button, &CImageButton::Clicked,
                     [&] { clicksSeenAtSignal = owner.ids.size(); });

    Click(button, {20, 10});
    QCoreApplication::sendPostedEvents();

    EXPECT_EQ(caller.calls, GetParam().calls);
    for (size_t seen : caller.clicksSeenAtCall)
        EXPECT_EQ(seen, 0u);
    EXPECT_EQ(clicksSeenAtSignal, 0u);  // posted: delivered after the click's own handling
    EXPECT_EQ(owner.ids, std::vector<std::string>{"VOLT"});
    EXPECT_EQ(button->Id(), "VOLT");
    EXPECT_EQ(button->Call(), "ShowVolt");
    EXPECT_EQ(button->Kind(), GetParam().kind);
    EXPECT_EQ(button->Type(), EButtonType::Radio);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SkinButtonClick,
    ::testing::Values(ReportCase{"Script", ESkinButtonKind::Script, {"ShowVolt"}},
                      ReportCase{"Plain", ESkinButtonKind::Plain, {}}),
    [](const ::testing::TestParamInfo<ReportCase>& info) { return std::string(info.param.name); });

TEST_F(ButtonFixture, AClickReachesOnlyAnOwnerThatIsStillThere) {
    auto* gone = new COwner;
    COwner stays;
    auto* button =
        Make<CSkinButton>("CLOSE", ESkinButtonKind::Plain, gone, std::string(), EButtonType::Push);
    QObject::connect(button, &CSkinButton::Command, &stays, &COwner::OnSkinCommand,
                     Qt::QueuedConnection);
    Click(button, {20, 10});
    delete gone;  // after the click, before its delivery
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(stays.ids, std::vector<std::string>{"CLOSE"});
}

}  // namespace

#include "skin_button_test.moc"
