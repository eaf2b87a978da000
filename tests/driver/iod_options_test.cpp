#include "iod_options.h"

#include <gtest/gtest.h>

namespace {

const IodEnvironment ENV{"", "/opt/vorn/bin", ""};

std::optional<IodOptions> Parse(std::vector<std::string> args, const IodEnvironment& env = ENV,
                                std::string* error = nullptr) {
    std::string ignored;
    return ParseIodOptions(args, env, error ? error : &ignored);
}

TEST(IodOptions, DefaultsAreTheSimBackendInTheSystemRuntimeDir) {
    auto o = Parse({});
    ASSERT_TRUE(o);
    EXPECT_FALSE(o->help);
    EXPECT_EQ(o->backend, EBackend::SIM);
    EXPECT_EQ(o->runtimeDir, "/run/vorn-io");
    EXPECT_EQ(o->boardFile, "/opt/vorn/bin/sim/EHF-SIM.simboard");
    EXPECT_FALSE(o->seed);
    EXPECT_TRUE(o->drift);
    EXPECT_EQ(o->hw.portDevice, "/dev/port");
    EXPECT_EQ(o->hw.msrDevice, "/dev/cpu/0/msr");
    EXPECT_EQ(o->hw.allowListPath, "/etc/vorn-io/allow.conf");
    EXPECT_FALSE(o->hw.allowListGiven);
    EXPECT_EQ(o->hw.sysfsRoot, "/sys");
    EXPECT_EQ(o->hw.procRoot, "/proc");
    EXPECT_FALSE(o->hw.shareChipWithKernelDriver);
}

TEST(IodOptions, RuntimeDirComesFromTheOptionThenTheEnvironment) {
    const IodEnvironment env{"/tmp/env-run", "/bin", ""};
    EXPECT_EQ(Parse({}, env)->runtimeDir, "/tmp/env-run");
    EXPECT_EQ(Parse({"--runtime-dir", "/tmp/opt"}, env)->runtimeDir, "/tmp/opt");
    EXPECT_EQ(Parse({"--runtime-dir=/tmp/eq"}, env)->runtimeDir, "/tmp/eq");
}

TEST(IodOptions, SimOptions) {
    auto o = Parse({"--board", "b.simboard", "--seed", "18446744073709551615", "--no-drift"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->boardFile, "b.simboard");
    EXPECT_EQ(o->seed, 18446744073709551615ull);
    EXPECT_FALSE(o->drift);
}

TEST(IodOptions, HwOptions) {
    auto o = Parse({"--backend", "hw", "--port-device", "/tmp/port", "--msr-device=/tmp/msr",
                    "--allow-list", "/tmp/allow", "--sysfs-root", "/tmp/sys", "--proc-root",
                    "/tmp/proc", "--share-chip-with-kernel-driver-unsafely"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->backend, EBackend::HW);
    EXPECT_EQ(o->hw.portDevice, "/tmp/port");
    EXPECT_EQ(o->hw.msrDevice, "/tmp/msr");
    EXPECT_EQ(o->hw.allowListPath, "/tmp/allow");
    EXPECT_TRUE(o->hw.allowListGiven);
    EXPECT_EQ(o->hw.sysfsRoot, "/tmp/sys");
    EXPECT_EQ(o->hw.procRoot, "/tmp/proc");
    EXPECT_TRUE(o->hw.shareChipWithKernelDriver);
}

TEST(IodOptions, SysfsRootComesFromTheOptionTheSimulatedTreeOrTheEnvironment) {
    const IodEnvironment env{"", "/bin", "/tmp/env-sys"};
    EXPECT_EQ(Parse({}, env)->sysfsRoot, "/tmp/env-sys");
    EXPECT_EQ(Parse({"--sysfs-root", "/tmp/opt-sys"}, env)->sysfsRoot, "/tmp/opt-sys");
    EXPECT_EQ(Parse({"--backend", "hw"}, env)->hw.sysfsRoot, "/tmp/env-sys");
    auto o = Parse({"--hwmon-root", "/tmp/tree"}, env);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->hwmonRoot, "/tmp/tree");
    EXPECT_EQ(o->sysfsRoot, "/tmp/tree");
}

TEST(IodOptions, HelpWinsOverEverythingElse) {
    auto o = Parse({"--backend", "hw", "--no-drift", "--help"});
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->help);
    EXPECT_NE(IodUsage().find("--backend sim|hw"), std::string::npos);
}

TEST(IodOptions, BadCommandLinesAreRefusedWithAReason) {
    struct Case {
        std::vector<std::string> args;
        const char* reason;
    };
    const Case cases[] = {
        {{"--frobnicate"}, "unknown option"},
        {{"extra"}, "unknown option"},
        {{"--backend"}, "needs a value"},
        {{"--backend", "kernel"}, "unknown backend"},
        {{"--runtime-dir="}, "needs a value"},
        {{"--seed", "-1"}, "--seed needs"},
        {{"--seed", "12x"}, "--seed needs"},
        {{"--seed", "18446744073709551616"}, "--seed needs"},
        {{"--no-drift=yes"}, "takes no value"},
        {{"--share-chip-with-kernel-driver-unsafely"}, "hw backend only"},
        {{"--backend", "hw", "--force"}, "--share-chip-with-kernel-driver-unsafely"},
        {{"--port-device", "/tmp/p"}, "hw backend only"},
        {{"--backend", "hw", "--board", "x"}, "sim backend only"},
        {{"--backend=hw", "--seed", "3"}, "sim backend only"},
        {{"--backend=hw", "--hwmon-root", "/tmp/t"}, "sim backend only"},
        {{"--hwmon-root", "/tmp/t", "--sysfs-root", "/tmp/s"}, "different trees"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        std::string error;
        EXPECT_FALSE(Parse(c.args, ENV, &error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

}  // namespace
