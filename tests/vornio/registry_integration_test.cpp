// The client window table, the interrupt event and the shared block through libvorn-io.so, with
// several client processes at once against one vorn-iod.

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "library_fixture.h"

namespace {

using RegistryIntegration = CLibraryFixture;

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

}  // namespace

TEST_F(RegistryIntegration, ProcessesRegisteringAtOnceNeverShareASlot) {
    std::vector<std::unique_ptr<CProbeProcess>> clients;
    std::vector<std::string> windows;
    for (int i = 0; i < 12; ++i) {
        clients.push_back(StartClient("client" + std::to_string(i)));
        windows.push_back(clients.back()->Ask("window"));
        ASSERT_EQ(windows.back().substr(0, 2), "0x");
    }
    for (int round = 0; round < 5; ++round) {
        for (size_t i = 0; i < clients.size(); ++i)
            ASSERT_TRUE(clients[i]->Send("register " + windows[i]));
        std::set<std::string> registered;
        for (size_t i = 0; i < clients.size(); ++i) {
            const std::string answer = clients[i]->ReadLine();
            ASSERT_TRUE(answer == "1" || answer == "0") << answer;
            if (answer == "1")
                registered.insert(windows[i]);
        }
        EXPECT_EQ(registered.size(), 10u);
        const std::vector<std::string> list = Words(clients[0]->Ask("list"));
        ASSERT_EQ(list.size(), 11u);
        EXPECT_EQ(list[0], "10");
        EXPECT_EQ(std::set<std::string>(list.begin() + 1, list.end()), registered);
        for (size_t i = 0; i < clients.size(); ++i) {
            if (registered.count(windows[i])) {
                ASSERT_EQ(clients[i]->Ask("unregister " + windows[i]), "1");
            }
        }
        EXPECT_EQ(clients[0]->Ask("count"), "0");
    }
}

TEST_F(RegistryIntegration, EveryProcessSeesOneTable) {
    auto a = StartClient("a");
    auto b = StartClient("b");
    const std::string w = a->Ask("window");
    EXPECT_EQ(a->Ask("register " + w), "1");
    EXPECT_EQ(b->Ask("count"), "1");
    EXPECT_EQ(b->Ask("registered " + w), "1");
    EXPECT_EQ(b->Ask("register " + w), "0");
    EXPECT_EQ(b->Ask("list"), "1 " + w + " 0x0 0x0 0x0 0x0 0x0 0x0 0x0 0x0 0x0");
    EXPECT_EQ(b->Ask("unregister " + w), "1");
    EXPECT_EQ(a->Ask("registered " + w), "0");
    EXPECT_EQ(a->Ask("msgid"), b->Ask("msgid"));
}

TEST_F(RegistryIntegration, AProcessThatEndsUnregistersItsLastWindow) {
    auto a = StartClient("a");
    auto b = StartClient("b");
    const std::string first = a->Ask("window");
    const std::string second = a->Ask("window");
    ASSERT_EQ(a->Ask("register " + first), "1");
    ASSERT_EQ(a->Ask("register " + second), "1");
    EXPECT_EQ(a->Finish(), 0);
    EXPECT_EQ(b->Ask("registered " + second), "0");
    EXPECT_EQ(b->Ask("registered " + first), "1") << "only the last one is unregistered";
    EXPECT_EQ(b->Ask("count"), "1");
}

TEST_F(RegistryIntegration, AForkedChildEndingTakesNothingFromItsParent) {
    auto a = StartClient("a");
    const std::string w = a->Ask("window");
    ASSERT_EQ(a->Ask("register " + w), "1");
    ASSERT_EQ(a->Ask("registerevent"), "1");
    EXPECT_EQ(a->Ask("fork-exit"), "0");
    EXPECT_EQ(a->Ask("registered " + w), "1");
    EXPECT_EQ(a->Ask("exitthread"), "1") << "the thread still runs here";
    EXPECT_TRUE(
        std::filesystem::exists(std::filesystem::path(m_daemon.RuntimeDir()) / "vorn-io.shared"));
}

TEST_F(RegistryIntegration, InterruptsArePostedToEveryWindowOfEveryProcess) {
    auto a = StartClient("a");
    auto b = StartClient("b");
    const std::string wa = a->Ask("window");
    const std::string wb = b->Ask("window");
    ASSERT_EQ(a->Ask("register " + wa), "1");
    ASSERT_EQ(b->Ask("register " + wb), "1");
    EXPECT_EQ(a->Ask("registerevent"), "1");
    EXPECT_EQ(b->Ask("registerevent"), "0") << "registered already: no request";
    EXPECT_EQ(b->Ask("eventhandle"), a->Ask("eventhandle"));
    EXPECT_EQ(b->Ask("eventregistered"), "1");
    EXPECT_EQ(b->Ask("exitthread"), "0") << "the thread runs in a";

    const std::string msg = a->Ask("msgid");
    const struct {
        const char* sources;
        const char* wParam;
    } interrupts[] = {{"5", "0x5"}, {"1 2", "0x3"}, {"0x80", "0x80"}};
    for (const auto& i : interrupts) {
        Sim(std::string("interrupt ") + i.sources);
        EXPECT_EQ(a->Ask("recv " + wa + " 5000"), msg + " " + i.wParam + " 0") << i.sources;
        EXPECT_EQ(b->Ask("recv " + wb + " 5000"), msg + " " + i.wParam + " 0") << i.sources;
        ASSERT_TRUE(WaitAcknowledged());
    }
    EXPECT_EQ(b->Ask("intcount"), "3");

    // a leaves with its thread; the next registration starts one in b on the same event.
    EXPECT_EQ(a->Finish(), 0);
    EXPECT_EQ(b->Ask("registerevent"), "0");
    Sim("interrupt 8");
    EXPECT_EQ(b->Ask("recv " + wb + " 5000"), msg + " 0x8 0");
    EXPECT_EQ(b->Ask("intcount"), "4");
    EXPECT_EQ(b->Ask("exitthread"), "1");
    EXPECT_EQ(b->Ask("send 0x42"), "ok");
    EXPECT_EQ(b->Ask("recv " + wb + " 5000"), msg + " 0x42 0");
}

TEST_F(RegistryIntegration, TheLastProcessToDetachTakesTheBlockAlong) {
    const std::filesystem::path run = m_daemon.RuntimeDir();
    {
        auto a = StartClient("a");
        const std::string w = a->Ask("window");
        ASSERT_EQ(a->Ask("register " + w), "1");
        ASSERT_EQ(a->Ask("registerevent"), "1");
        Sim("interrupt 1");
        ASSERT_TRUE(WaitFor([&] { return a->Ask("intcount") == "1"; }));
        ASSERT_EQ(a->Ask("getaip 0 1 0").substr(0, 1), "1");
        EXPECT_TRUE(std::filesystem::exists(run / "vorn-io.shared"));
        EXPECT_EQ(a->Finish(), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(run / "vorn-io.shared"));
    EXPECT_FALSE(std::filesystem::exists(run / "GX4410_MUTEX"));

    auto c = StartClient("c");
    EXPECT_EQ(c->Ask("count"), "0");
    EXPECT_EQ(c->Ask("eventregistered"), "0");
    EXPECT_EQ(c->Ask("intcount"), "0");
    EXPECT_EQ(c->Ask("eventhandle"), "0");
    EXPECT_EQ(c->Ask("registerevent"), "1") << "the event is registered anew";
    Sim("interrupt 2");
    EXPECT_TRUE(WaitFor([&] { return c->Ask("intcount") == "1"; }));
}

TEST_F(RegistryIntegration, ALastProcessThatCrashesLeavesNothingBehind) {
    {
        auto a = StartClient("a");
        const std::string w = a->Ask("window");
        ASSERT_EQ(a->Ask("register " + w), "1");
        ASSERT_EQ(a->Ask("registerevent"), "1");
        ASSERT_TRUE(a->Signal(SIGKILL));
        EXPECT_EQ(a->Finish(), -1);
    }
    auto c = StartClient("c");
    EXPECT_EQ(c->Ask("count"), "0");
    EXPECT_EQ(c->Ask("eventregistered"), "0");
    EXPECT_EQ(c->Ask("list"), "0 0x0 0x0 0x0 0x0 0x0 0x0 0x0 0x0 0x0 0x0");
}
