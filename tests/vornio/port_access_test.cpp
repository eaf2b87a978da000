#include "port_access.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <vector>

#include "device_codes.h"
#include "port_record.h"

using namespace vornio;

namespace {

// A device that records each request and answers with a scripted output record.
struct FakeDevice : IDeviceIo {
    bool succeed = true;
    std::vector<uint8_t> answer;  // copied into the output on success
    uint32_t lastCode = 0;
    std::vector<uint8_t> lastInput;
    int calls = 0;

    bool Control(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                 uint32_t* returned) override {
        ++calls;
        lastCode = code;
        lastInput.assign(in.begin(), in.end());
        if (!succeed) {
            errno = ECONNREFUSED;
            return false;
        }
        size_t n = std::min(answer.size(), out.size());
        std::copy_n(answer.begin(), n, out.begin());
        *returned = static_cast<uint32_t>(n);
        return true;
    }
};

std::vector<uint8_t> Record(std::initializer_list<std::pair<size_t, uint8_t>> bytes) {
    std::vector<uint8_t> r(PORT_RECORD_SIZE, 0);
    for (auto [off, v] : bytes)
        r[off] = v;
    return r;
}

struct PortAccessTest : ::testing::Test {
    FakeDevice device;
    CLastFailure failure;
    CPortAccess ports{device, failure};
};

}  // namespace

TEST_F(PortAccessTest, InPortBSendsTheByteRecordAndTakesOffset13) {
    device.answer = Record({{0, 1}, {13, 0x5A}});
    uint8_t value = 0;
    EXPECT_NE(ports.InPortB(0x296, &value), 0);
    EXPECT_EQ(value, 0x5A);
    EXPECT_EQ(device.lastCode, IOCTL_READ_PORT_BYTE);
    EXPECT_EQ(device.lastInput, Record({{0, 1}, {14, 0x96}, {15, 0x02}}));
}

TEST_F(PortAccessTest, FailedRequestsReportTheirOwnDescription) {
    device.succeed = false;
    uint8_t byte = 0x77;
    uint32_t value = 0x1234;
    struct Case {
        const char* description;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"Error occured in InPortB", [&] { EXPECT_EQ(ports.InPortB(0x295, &byte), 0); }},
        {"Error occured in WriteData", [&] { EXPECT_EQ(ports.OutPortB(0x295, 1), 0); }},
        {"Error occurred in ReadPortVal!",
         [&] { EXPECT_FALSE(ports.ReadPortVal(0x295, &value, 1)); }},
        {"Error occurred in WritePortVal!", [&] { EXPECT_FALSE(ports.WritePortVal(0x295, 1, 1)); }},
        {"ia32error::err_ring0_ioctl", [&] { EXPECT_EQ(ports.ReadMSR(0x10), 0u); }},
    };
    for (const auto& c : cases) {
        c.call();
        EXPECT_EQ(failure.Description(), c.description);
        EXPECT_NE(failure.DiagnosticLine().find("ErrCode:" + std::to_string(ECONNREFUSED)),
                  std::string::npos);
    }
    EXPECT_EQ(byte, 0x77) << "a failed read leaves the caller's byte alone";
    EXPECT_EQ(value, 0x1234u);
    failure.Record("reset", 0);
    ports.WriteMSR(0x10, 1, 2);
    EXPECT_EQ(failure.Description(), "ia32error::err_ring0_ioctl");
}

TEST_F(PortAccessTest, OutPortBSendsOnlyTheLowByte) {
    device.answer = Record({{0, 1}});
    EXPECT_NE(ports.OutPortB(0x295, static_cast<uint8_t>(0x1FF)), 0);
    EXPECT_EQ(device.lastInput, Record({{0, 1}, {13, 0xFF}, {14, 0x95}, {15, 0x02}}));
}

TEST_F(PortAccessTest, ReadPortValTakesTheFieldOfTheEchoedSize) {
    struct Case {
        uint8_t size;
        std::vector<uint8_t> answer;
        bool result;
        uint32_t value;
        const char* description;
    };
    const Case cases[] = {
        {2, Record({{0, 2}, {16, 0xCD}, {17, 0xAB}, {13, 0x11}}), true, 0xABCD, ""},
        {1, Record({{0, 1}, {13, 0x80}, {16, 0xFF}}), true, 0x80, ""},
        {4, Record({{0, 4}, {8, 1}, {9, 2}, {10, 3}, {11, 4}}), true, 0x04030201, ""},
        {2, Record({{0, 1}, {13, 0x80}}), false, 0xDEAD,
         "Error occurred in ReadPortVal ==> Size not match"},
        // An echo equal to an unusual size succeeds without writing the value.
        {3, Record({{0, 3}, {13, 0x80}}), true, 0xDEAD, ""},
    };
    for (const auto& c : cases) {
        device.answer = c.answer;
        failure.Record("", 0);
        uint32_t value = 0xDEAD;
        EXPECT_EQ(ports.ReadPortVal(0x2E, &value, c.size), c.result) << int(c.size);
        EXPECT_EQ(value, c.value) << int(c.size);
        EXPECT_EQ(failure.Description(), c.description);
        EXPECT_EQ(device.lastCode, IOCTL_READ_PORT);
    }
}

TEST_F(PortAccessTest, WritePortValPutsTheValueInEveryFieldAndChecksTheEcho) {
    device.answer = Record({{0, 4}});
    EXPECT_TRUE(ports.WritePortVal(0xCF8, 0x80001234, 4));
    auto expected = MakeSizedRecord(0xCF8, 4, 0x80001234, true);
    EXPECT_EQ(device.lastInput, std::vector<uint8_t>(expected.begin(), expected.end()));
    EXPECT_EQ(device.lastCode, IOCTL_WRITE_PORT);
    EXPECT_FALSE(ports.WritePortVal(0xCF8, 1, 2));
    EXPECT_EQ(failure.Description(), "Error occurred in WritePortVal ==> Size not match");
}

TEST_F(PortAccessTest, MsrReadNeedsEightBytesBack) {
    device.answer = {1, 0, 0, 0, 2, 0, 0, 0};
    EXPECT_EQ(ports.ReadMSR(0x1B), 0x0000000200000001ull);
    EXPECT_EQ(device.lastInput, (std::vector<uint8_t>{0x1B, 0, 0, 0}));
    device.answer = {1, 2, 3, 4};
    EXPECT_EQ(ports.ReadMSR(0x1B), 0u);
    EXPECT_EQ(failure.Description(), "ia32error::err_ring0_size");
    device.answer = {};
    ports.WriteMSR(0x1A0, 0x11223344, 0x55667788);
    EXPECT_EQ(device.lastCode, IOCTL_WRITE_MSR);
    EXPECT_EQ(device.lastInput, (std::vector<uint8_t>{0xA0, 0x01, 0, 0, 0x44, 0x33, 0x22, 0x11,
                                                      0x88, 0x77, 0x66, 0x55}));
}
