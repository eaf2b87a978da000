#include "mcu_commands.h"

#include <gtest/gtest.h>

#include "sim_test_util.h"

namespace {

struct CCountingSink : IInterruptSink {
    bool RaiseInterrupt() override {
        ++raised;
        return true;
    }
    int raised = 0;
};

}  // namespace

TEST(McuCommands, InterruptAddsEntriesAndSignals) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    EXPECT_EQ(rig.board->Execute("interrupt 5"),
              "OK\ninterrupt: sources 05; pending 05; no event registered\n");
    CCountingSink sink;
    rig.board->SetInterruptSink(&sink);
    EXPECT_EQ(rig.board->Execute("interrupt 0x10 255"),
              "OK\ninterrupt: sources 10 FF; pending 05 10 FF; event signalled\n");
    EXPECT_EQ(sink.raised, 1);
    EXPECT_EQ(rig.board->Execute("mcu"), "OK\nmcu on\npending: 05 10 FF\ntransfers: 0\n");
    rig.board->SetInterruptSink(nullptr);
}

TEST(McuCommands, ModesAndItemAnswers) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    EXPECT_EQ(rig.board->Execute("mcu off"), "OK\nmcu off\npending: none\ntransfers: 0\n");
    uint32_t status = 0;
    ASSERT_TRUE(rig.board->ReadPort(0xE4, 1, &status));
    EXPECT_EQ(status, 0xFFu) << "nothing answers at the mailbox";
    EXPECT_EQ(rig.board->Execute("mcu busy").substr(0, 12), "OK\nmcu busy\n");
    ASSERT_TRUE(rig.board->ReadPort(0xE4, 1, &status));
    EXPECT_EQ(status, 0x0Au);
    rig.board->Execute("mcu on");

    EXPECT_EQ(rig.board->Execute("mcu get 68"),
              "OK\nanswer: 47 58 44 10 01 02 00 05 00\nwritten: -\n");
    EXPECT_EQ(rig.board->Execute("mcu set 21 1 0x02 3"), "OK\nitem 21 answers 3 bytes\n");
    EXPECT_EQ(rig.board->Execute("mcu get 21"), "OK\nanswer: 01 02 03\nwritten: -\n");
    EXPECT_EQ(rig.board->Execute("mcu set 42"), "OK\nitem 42 answers 0 bytes\n");
    EXPECT_EQ(rig.board->Execute("mcu get 42"), "OK\nanswer: -\nwritten: -\n");
}

TEST(McuCommands, BadWordsAnswerErr1) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"interrupt", "usage: interrupt <source>..."},
        {"interrupt 256", "interrupt: '256' is not a byte (0..255)"},
        {"interrupt 0x", "interrupt: '0x' is not a byte"},
        {"interrupt -1", "interrupt: '-1' is not a byte"},
        {"mcu sleep", "usage: mcu"},
        {"mcu on now", "usage: mcu"},
        {"mcu get", "usage: mcu"},
        {"mcu get 111", "mcu: '111' is not an item (0..110)"},
        {"mcu set x 1", "mcu: 'x' is not an item"},
        {"mcu set 21 300", "mcu set: '300' is not a byte"},
        {"mcu set 106 1", "mcu set: item 106 answers from the pending interrupt entries"},
    };
    for (const auto& c : cases) {
        const std::string reply = rig.board->Execute(c.line);
        EXPECT_EQ(reply.rfind("ERR 1\n", 0), 0u) << c.line << " -> " << reply;
        EXPECT_NE(reply.find(c.message), std::string::npos) << c.line << " -> " << reply;
    }
    std::string tooMany = "mcu set 21";
    for (int i = 0; i < 255; ++i)
        tooMany += " 1";
    EXPECT_NE(rig.board->Execute(tooMany).find("at most 254 bytes"), std::string::npos);
    EXPECT_EQ(rig.board->Execute("mcu"), "OK\nmcu on\npending: none\ntransfers: 0\n");
}

TEST(McuCommands, HelpListsThem) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    const std::string help = rig.board->Execute("help");
    EXPECT_NE(help.find("interrupt <source>..."), std::string::npos);
    EXPECT_NE(help.find("mcu on|off|busy"), std::string::npos);
}
