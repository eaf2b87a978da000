// The microcontroller mailbox through libvorn-io.so, vorn-iod and the simulated GX4410, with
// real client processes.

#include <signal.h>

#include "library_fixture.h"

namespace {

using MailboxIntegration = CLibraryFixture;

// "answer: 01 02 ..." of `vornsim mcu get` as " 01 02 ...", the probe's form.
std::string AnswerBytes(const std::string& reply) {
    const size_t start = reply.find("answer: ");
    const size_t end = reply.find('\n', start);
    return ' ' + reply.substr(start + 8, end - start - 8);
}

std::string Repeat(const std::string& word, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += " " + word;
    return text;
}

}  // namespace

TEST_F(MailboxIntegration, ItemRequestsReachTheSimulatedMicrocontroller) {
    auto c = StartClient();
    EXPECT_EQ(c->Ask("getaip 68 10 0"), "9 47 58 44 10 01 02 00 05 00 CC");
    // The clock-generator block: 34 bytes for board value 5, then 37 for 8.
    EXPECT_EQ(c->Ask("getaip 26 35 0"), "34" + AnswerBytes(Sim("mcu get 26")) + " CC");
    Sim("mcu set 68 0 0 0 0 0 0 0 8 0");
    const std::string block = c->Ask("getaip 26 38 0");
    EXPECT_EQ(block, "37" + AnswerBytes(Sim("mcu get 26")) + " CC");

    std::string write = "setaip 27 37";
    std::string expected;
    for (int i = 1; i <= 37; ++i) {
        write += ' ' + std::to_string(i);
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", i);
        expected += hex;
    }
    EXPECT_EQ(c->Ask(write), "1");
    EXPECT_EQ(AnswerBytes(Sim("mcu get 26")), expected);
    EXPECT_EQ(c->Ask("setaip 40 3 7 8 9"), "1");
    EXPECT_NE(Sim("mcu get 40").find("written: 07 08 09"), std::string::npos);
    EXPECT_EQ(c->Finish(), 0);
    EXPECT_EQ(Err("probe"), "") << "no failure on the way";
}

TEST_F(MailboxIntegration, AnAnswerLongerThanTheItemStopsAtItsLength) {
    auto c = StartClient();
    Sim("mcu set 21" + Repeat("0x5A", 200));
    EXPECT_EQ(c->Ask("getaip 21 4 0"), "2 5A 5A CC CC");
}

TEST_F(MailboxIntegration, AMicrocontrollerThatDoesNotAnswerGivesNothing) {
    auto c = StartClient();
    for (const char* mode : {"off", "busy"}) {
        Sim(std::string("mcu ") + mode);
        EXPECT_EQ(c->Ask("getaip 0 2 0"), "0 CC CC") << mode;
        EXPECT_EQ(c->Ask("setaip 107 0"), "0") << mode;
    }
    const std::string err = Err("probe");
    EXPECT_NE(err.find("Description: GetAIP: Driver timeout, ErrCode:"), std::string::npos) << err;
    EXPECT_NE(err.find("Description: SetAIP: Driver timeout, ErrCode:"), std::string::npos) << err;
    Sim("mcu on");
    EXPECT_EQ(c->Ask("getaip 0 1 0").substr(0, 2), "1 ");
}

TEST_F(MailboxIntegration, UnknownItemsAndMismatchedLengths) {
    auto c = StartClient();
    EXPECT_EQ(c->Ask("getaip 111 1 0"), "0 CC");
    EXPECT_EQ(Err("probe"), "") << "item 111 records nothing";
    EXPECT_EQ(c->Ask("setaip 24 16" + Repeat("0x11", 16)), "1");
    EXPECT_NE(Err("probe").find("SetAIP: Input data length does not match"), std::string::npos);
    EXPECT_NE(Sim("mcu get 24").find("written:" + Repeat("11", 16) + "\n"), std::string::npos);
}

TEST_F(MailboxIntegration, RawMailboxExports) {
    auto c = StartClient();
    EXPECT_EQ(c->Ask("exist"), "1");
    EXPECT_EQ(c->Ask("wcmd 0"), "1");
    EXPECT_EQ(c->Ask("isvalid"), "1");
    EXPECT_EQ(c->Ask("isack"), "1");
    EXPECT_EQ(c->Ask("isvalid"), "0");
    EXPECT_EQ(c->Ask("isbusy"), "0");
    Sim("mcu busy");
    EXPECT_EQ(c->Ask("isbusy"), "1");
    EXPECT_EQ(c->Ask("rcmd"), "0x0A");
    EXPECT_EQ(c->Ask("isvalid"), "0");
    Sim("mcu off");
    EXPECT_EQ(c->Ask("rcmd"), "0xFF");
    EXPECT_EQ(c->Ask("exist"), "0");
    Sim("fault port e0 read");
    EXPECT_EQ(c->Ask("rdata"), "0x00") << "a failed read gives 0";
}

TEST_F(MailboxIntegration, AProcessKilledHoldingTheMutexLeavesAnAbandonedWait) {
    auto holder = StartClient("holder");
    auto next = StartClient("next");
    ASSERT_EQ(holder->Ask("hold-mutex"), "held");
    ASSERT_TRUE(next->Send("getaip 68 1 0"));
    EXPECT_EQ(next->ReadLine(300), "") << "waits while the mutex is held";
    ASSERT_TRUE(holder->Signal(SIGKILL));
    EXPECT_EQ(holder->Finish(), -1);
    EXPECT_EQ(next->ReadLine(), "0 CC") << "the abandoned wait sends nothing";
    EXPECT_NE(Err("next").find("Description: WAIT_ABANDONED in dll!"), std::string::npos);
    EXPECT_EQ(next->Ask("getaip 68 1 0"), "9 47") << "and the next request goes on";
    auto later = StartClient("later");
    EXPECT_EQ(later->Ask("getaip 68 1 0"), "9 47");
}
