// vornio-listen, the example client, against vorn-iod on the simulated board: it prints the
// interrupts that vornsim raises and ends cleanly on a signal.

#include <signal.h>

#include "library_fixture.h"

namespace {

class ListenTest : public CLibraryFixture {
  protected:
    std::unique_ptr<CProbeProcess> StartListener(const std::string& name) {
        CProbeProcess::Options o = ClientOptions(name);
        o.executable = std::string(VORN_BIN_DIR) + "/vornio-listen";
        auto listener = std::make_unique<CProbeProcess>(o);
        EXPECT_TRUE(listener->Start());
        return listener;
    }
};

}  // namespace

TEST_F(ListenTest, PrintsEachInterruptWithItsSourcesAndStopsOnSigterm) {
    auto listener = StartListener("listen");
    const std::string first = listener->ReadLine();
    ASSERT_EQ(first.rfind("listening: window 0x", 0), 0u) << first << Err("listen");
    EXPECT_NE(first.find("event registered now"), std::string::npos) << first;

    const struct {
        const char* sources;
        const char* line;
    } interrupts[] = {{"5", "GX4410_INTERRUPTED sources 0x05"},
                      {"1 2", "GX4410_INTERRUPTED sources 0x03"},
                      {"0x80", "GX4410_INTERRUPTED sources 0x80"}};
    for (const auto& i : interrupts) {
        Sim(std::string("interrupt ") + i.sources);
        EXPECT_EQ(listener->ReadLine(), i.line);
        ASSERT_TRUE(WaitAcknowledged());
    }
    auto probe = StartClient();
    EXPECT_EQ(probe->Ask("intcount"), "3");
    EXPECT_EQ(probe->Ask("count"), "1");

    ASSERT_TRUE(listener->Signal(SIGTERM));
    EXPECT_EQ(listener->ReadLine(), "stopped");
    EXPECT_EQ(listener->Finish(), 0);
    EXPECT_EQ(probe->Ask("count"), "0") << "the listener took its window out";
    EXPECT_EQ(probe->Ask("exitthread"), "1") << "no thread is left behind";
}

TEST_F(ListenTest, EveryListenerHearsEveryInterrupt) {
    auto one = StartListener("one");
    ASSERT_NE(one->ReadLine().find("event registered now"), std::string::npos);
    auto two = StartListener("two");
    ASSERT_NE(two->ReadLine().find("event registered already"), std::string::npos);
    Sim("interrupt 0x21");
    EXPECT_EQ(one->ReadLine(), "GX4410_INTERRUPTED sources 0x21");
    EXPECT_EQ(two->ReadLine(), "GX4410_INTERRUPTED sources 0x21");
    ASSERT_TRUE(two->Signal(SIGINT));
    EXPECT_EQ(two->ReadLine(), "stopped");
    EXPECT_EQ(two->Finish(), 0);
    ASSERT_TRUE(WaitAcknowledged());
    Sim("interrupt 0x10");
    EXPECT_EQ(one->ReadLine(), "GX4410_INTERRUPTED sources 0x10");
    ASSERT_TRUE(one->Signal(SIGINT));
    EXPECT_EQ(one->ReadLine(), "stopped");
    EXPECT_EQ(one->Finish(), 0);
}

TEST_F(ListenTest, AFullTableIsReported) {
    auto probe = StartClient();
    for (int i = 1; i <= 10; ++i)
        ASSERT_EQ(probe->Ask("register " + std::to_string(i)), "1");
    auto listener = StartListener("listen");
    EXPECT_EQ(listener->ReadLine(), "");
    EXPECT_EQ(listener->Finish(), 1);
    EXPECT_NE(Err("listen").find("cannot register the window"), std::string::npos);
}
