// The chip driver through the real port-I/O library and a running vorn-iod on the simulated
// board: the path every reading of the monitor takes.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "daemon.h"
#include "port_io.h"
#include "sim_client.h"
#include "w83627ehf.h"

namespace {

// The library's two port calls, looked up after the service runs: loading the library starts
// the driver, so it is opened only once the test's service is up.
class CDynamicLibraryPortIo : public IPortIo {
  public:
    bool Load(std::string* error) {
        void* lib = dlopen((std::string(VORN_BIN_DIR) + "/libvorn-io.so").c_str(), RTLD_NOW);
        if (!lib) {
            *error = dlerror();
            return false;
        }
        m_in = reinterpret_cast<int (*)(uint16_t, uint8_t*)>(dlsym(lib, "InPortB"));
        m_out = reinterpret_cast<int (*)(uint16_t, uint8_t)>(dlsym(lib, "OutPortB"));
        return m_in && m_out;
    }
    // Until loaded, every call fails.
    int InPortB(uint16_t port, uint8_t* value) override { return m_in ? m_in(port, value) : 0; }
    int OutPortB(uint16_t port, uint8_t value) override { return m_out ? m_out(port, value) : 0; }

  private:
    int (*m_in)(uint16_t, uint8_t*) = nullptr;
    int (*m_out)(uint16_t, uint8_t) = nullptr;
};

class ChipThroughService : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_daemon = new CDaemon({"--no-drift"});
        s_state = new CTempDir();
        std::string error;
        ASSERT_TRUE(s_daemon->Start(&error)) << error;
        setenv("VORNIO_RUNTIME_DIR", s_daemon->RuntimeDir().c_str(), 1);
        setenv("VORNIO_STATE_DIR", s_state->Path().c_str(), 1);
        ASSERT_TRUE(s_io.Load(&error)) << error;
    }
    static void TearDownTestSuite() {
        delete s_daemon;  // stops the service; the library stays loaded for the process
        delete s_state;
    }

    void Sim(const std::string& line) {
        SimSendResult r = SendSimCommand(s_daemon->SimSocketPath(), line);
        ASSERT_EQ(r.status, ESimSendStatus::REPLIED) << r.error;
        ASSERT_EQ(r.reply.substr(0, 3), "OK\n") << line << ": " << r.reply;
    }

    static inline CDaemon* s_daemon = nullptr;
    static inline CTempDir* s_state = nullptr;
    static inline CDynamicLibraryPortIo s_io;
    CW83627EHF chip{s_io};
};

}  // namespace

TEST_F(ChipThroughService, ReadingsLimitsAndAlarms) {
    Sim("set V3VCC 3.3");
    double v = 0;
    ASSERT_EQ(chip.ReadVoltage(0x23, &v, 0.5, false), 1);
    EXPECT_NEAR(v, 3.3, 0.02);
    ASSERT_EQ(chip.SetVoltageLimits(0x23, 3.2, 3.0, 0.5, false), 1);
    double hi = 0, lo = 0;
    ASSERT_EQ(chip.ReadVoltageLimits(0x23, &hi, &lo, 0.5, false), 1);
    EXPECT_NEAR(hi, 3.2, 0.02);
    EXPECT_NEAR(lo, 3.0, 0.02);
    uint8_t s[3] = {};
    ASSERT_EQ(chip.ReadRealTimeStatus(s), 1);
    EXPECT_TRUE(s[0] & 0x08) << "3.3 V is over the 3.2 V limit";

    Sim("set CPUTEMPERATURE 81.5");
    ASSERT_EQ(chip.SetTemperatureLimits(0x50, 80.5, 75, 1), 1);
    double t = 0;
    ASSERT_EQ(chip.ReadTemperature(0x50, &t, 1), 1);
    EXPECT_EQ(t, 81.5);
    ASSERT_EQ(chip.ReadTemperatureLimits(0x50, &hi, &lo, 1), 1);
    EXPECT_EQ(hi, 80.5);
    EXPECT_EQ(lo, 75.5) << "the high limit's half byte goes to both limits";
    ASSERT_EQ(chip.ReadRealTimeStatus(s), 1);
    EXPECT_TRUE(s[0] & 0x20);

    Sim("set AUXFAN1 stall");
    ASSERT_EQ(chip.SetFanLimit(0x53, 1000), 1);
    int rpm = -1;
    ASSERT_EQ(chip.ReadFanSpeed(0x53, &rpm), 1);
    EXPECT_EQ(rpm, 0);
    ASSERT_EQ(chip.ReadRealTimeStatus(s), 1);
    EXPECT_TRUE(s[2] & 0x80);
}

TEST_F(ChipThroughService, FanControlAndBeepMasks) {
    ASSERT_EQ(chip.SetFanMode(0x29, 1), 1);
    ASSERT_EQ(chip.SetFanTarget(0x29, 55), 1);
    ASSERT_EQ(chip.SetFanTolerance(0x29, 4), 1);
    ASSERT_EQ(chip.SetFanTolerance(0x3F, 9), 1);
    uint8_t mode = 0, target = 0, tol = 0, tol1 = 0;
    ASSERT_EQ(chip.ReadFanMode(0x29, &mode), 1);
    ASSERT_EQ(chip.ReadFanTarget(0x29, &target), 1);
    ASSERT_EQ(chip.ReadFanTolerance(0x29, &tol), 1);
    ASSERT_EQ(chip.ReadFanTolerance(0x3F, &tol1), 1);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(target, 55);
    EXPECT_EQ(tol, 4) << "setting CPUFAN1's tolerance left CPUFAN0's alone";
    EXPECT_EQ(tol1, 9);
    EXPECT_EQ(chip.SetFanDuty(0x53, 10), 0);

    uint8_t b[4] = {};
    ASSERT_EQ(chip.ReadBeepMasks(b), 1);
    b[2] ^= 0x08;
    ASSERT_EQ(chip.WriteBeepMasks(b), 1);
    uint8_t back[4] = {};
    ASSERT_EQ(chip.ReadBeepMasks(back), 1);
    EXPECT_EQ(back[2], b[2]);
}

TEST_F(ChipThroughService, InjectedPortFailuresComeBackAsChipErrors) {
    Sim("fault port 0x296 read");
    uint8_t v = 0x33;
    EXPECT_EQ(ReadChipRegister(s_io, 0x20, &v), ERR_PORT_READ);
    EXPECT_EQ(v, 0x33);
    Sim("fault port 0x295 write");
    EXPECT_EQ(WriteChipRegister(s_io, 0x20, 1), ERR_PORT_WRITE);
    Sim("fault off");
    EXPECT_EQ(ReadChipRegister(s_io, 0x20, &v), 1);
}
