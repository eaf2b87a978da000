#include "mcu_mailbox.h"

#include <gtest/gtest.h>

#include <vector>

#include "device_codes.h"
#include "fake_device.h"
#include "port_record.h"

using namespace vornio;

namespace {

struct McuMailboxTest : ::testing::Test {
    CFakeDevice device;
    CLastFailure failure;
    CPortAccess ports{device, failure};
    std::vector<unsigned> sleeps;
    CMcuMailbox mailbox{ports, [this](unsigned ms) { sleeps.push_back(ms); }};

    // Port reads answer command/status and data bytes; writes succeed.
    void Ports(uint8_t status, uint8_t data) {
        device.SetHandler([=](const CFakeDevice::Request& r, std::span<uint8_t> out, uint32_t* n) {
            PortRecord rec{};
            rec[PORT_OFF_SIZE] = 1;
            const uint16_t port = GetLe16(&r.input[PORT_OFF_PORT16]);
            rec[PORT_OFF_VALUE8] = port == 0xE4 ? status : port == 0xE0 ? data : 0xFF;
            std::copy(rec.begin(), rec.end(), out.begin());
            *n = PORT_RECORD_SIZE;
            return true;
        });
    }
};

uint16_t PortOf(const CFakeDevice::Request& r) {
    return GetLe16(&r.input[PORT_OFF_PORT16]);
}

}  // namespace

TEST_F(McuMailboxTest, StatusTests) {
    const struct {
        uint8_t status, data;
        bool ack, busy, valid;
    } cases[] = {
        {0x0B, 0x00, false, false, true}, {0x0A, 0x00, false, true, false},
        {0x01, 0xAC, true, false, true},  {0x00, 0xAD, false, false, false},
        {0xFF, 0xFF, false, false, true},
    };
    for (const auto& c : cases) {
        Ports(c.status, c.data);
        EXPECT_EQ(mailbox.IsACK(), c.ack) << int(c.status) << " " << int(c.data);
        EXPECT_EQ(mailbox.IsBusy(), c.busy) << int(c.status);
        EXPECT_EQ(mailbox.IsValid(), c.valid) << int(c.status);
        EXPECT_EQ(mailbox.ReadCommand(), c.status);
        EXPECT_EQ(mailbox.ReadData(), c.data);
    }
}

TEST_F(McuMailboxTest, WritesGoToTheirPorts) {
    Ports(0, 0);
    EXPECT_NE(mailbox.WriteCommand(0x81), 0);
    EXPECT_NE(mailbox.WriteData(0x42), 0);
    const auto requests = device.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].code, IOCTL_WRITE_PORT_BYTE);
    EXPECT_EQ(PortOf(requests[0]), 0xE4);
    EXPECT_EQ(requests[0].input[PORT_OFF_VALUE8], 0x81);
    EXPECT_EQ(PortOf(requests[1]), 0xE0);
    EXPECT_EQ(requests[1].input[PORT_OFF_VALUE8], 0x42);
}

TEST_F(McuMailboxTest, FailedAccessesReadZero) {
    device.SetHandler([](auto&, auto, auto) { return false; });
    EXPECT_EQ(mailbox.ReadCommand(), 0);
    EXPECT_EQ(mailbox.ReadData(), 0);
    EXPECT_EQ(mailbox.WriteCommand(1), 0);
    EXPECT_EQ(failure.Description(), "Error occured in WriteData");
    EXPECT_FALSE(mailbox.IsValid());
    EXPECT_FALSE(mailbox.IsBusy());
}

TEST_F(McuMailboxTest, ExistenceIsCommandZeroASecondThenTheAcknowledge) {
    Ports(0x01, 0xAC);
    EXPECT_TRUE(mailbox.IsGX4410Exist());
    auto requests = device.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].code, IOCTL_WRITE_PORT_BYTE);
    EXPECT_EQ(PortOf(requests[0]), 0xE4);
    EXPECT_EQ(requests[0].input[PORT_OFF_VALUE8], 0);
    EXPECT_EQ(requests[1].code, IOCTL_READ_PORT_BYTE);
    EXPECT_EQ(PortOf(requests[1]), 0xE0);
    EXPECT_EQ(sleeps, std::vector<unsigned>{1000});

    Ports(0xFF, 0xFF);
    EXPECT_FALSE(mailbox.IsGX4410Exist());
}
