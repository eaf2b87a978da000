#include "sim_reply.h"

#include <gtest/gtest.h>

namespace {

TEST(SimReply, SplitsStatusAndText) {
    struct Case {
        const char* raw;
        int exitCode;
        bool toStdout;
        const char* text;
    };
    const Case cases[] = {
        {"OK\n", 0, true, ""},
        {"OK\nVCORE 1.25 V\nTEMP1 40.0 C\n", 0, true, "VCORE 1.25 V\nTEMP1 40.0 C\n"},
        {"ERR 1\nunknown input 'FOO'\n", 1, false, "unknown input 'FOO'\n"},
        {"ERR 3\n", 3, false, ""},
        {"ERR 255\nx", 255, false, "x"},
        {"ERR 0\nodd\n", 1, false, "odd\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        auto reply = ParseSimReply(c.raw);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->exitCode, c.exitCode);
        EXPECT_EQ(reply->toStdout, c.toStdout);
        EXPECT_EQ(reply->text, c.text);
    }
}

TEST(SimReply, MalformedRepliesAreRejected) {
    for (const char* raw : {"", "OK", "ok\n", "ERR\n", "ERR \n", "ERR x\n", "ERR -1\n", "ERR 256\n",
                            "ERR 1 2\n", "HELLO\n"}) {
        SCOPED_TRACE(raw);
        EXPECT_FALSE(ParseSimReply(raw));
    }
}

}  // namespace
