#include "process_identity.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "run_in_child.h"

TEST(ProcessIdentity, TheCurrentProcessRuns) {
    const SProcessIdentity self = CurrentProcessIdentity();
    EXPECT_EQ(self.pid, ::getpid());
    EXPECT_NE(self.startTicks, 0u);
    EXPECT_TRUE(IsProcessRunning(self));
}

TEST(ProcessIdentity, AnEndedProcessOrAnotherStartTimeDoesNotRun) {
    SProcessIdentity child{};
    ChildResult r = RunInChild([] {
        const SProcessIdentity me = CurrentProcessIdentity();
        return std::to_string(me.pid) + " " + std::to_string(me.startTicks);
    });
    ASSERT_TRUE(r.Exited());
    ASSERT_EQ(std::sscanf(r.output.c_str(), "%d %lu", &child.pid, &child.startTicks), 2);
    EXPECT_FALSE(IsProcessRunning(child));

    SProcessIdentity reused = CurrentProcessIdentity();
    reused.startTicks += 1;
    EXPECT_FALSE(IsProcessRunning(reused));
    EXPECT_FALSE(IsProcessRunning({}));
    EXPECT_EQ(ProcessIdentityOf(-1).pid, 0);
}
