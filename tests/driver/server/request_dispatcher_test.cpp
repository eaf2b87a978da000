#include "request_dispatcher.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "device_codes.h"
#include "fake_backend.h"
#include "item_table.h"
#include "mcu_backend.h"
#include "mcu_record.h"
#include "port_record.h"
#include "temp_dir.h"

using namespace vornio;

namespace {

std::vector<uint8_t> Bytes(const PortRecord& r) {
    return {r.begin(), r.end()};
}

PortRecord Expected(uint8_t size, uint32_t value) {
    PortRecord r{};
    r[0] = size;
    SetRecordValue(r, size, value);
    return r;
}

class DispatcherTest : public ::testing::Test {
  protected:
    CFakeBackend m_backend;
    CRequestDispatcher m_dispatcher{m_backend};
};

struct GoodPortCase {
    const char* name;
    uint32_t code;
    PortRecord input;
    CFakeBackend::Call call;
    uint32_t backendValue;  // what a read returns
    PortRecord output;
};

TEST_F(DispatcherTest, WellFormedPortRequestsReachTheBackendAndEchoTheSize) {
    const GoodPortCase cases[] = {
        {"InPortB",
         IOCTL_READ_PORT_BYTE,
         MakeByteRecord(0x295),
         {"read", 0x295, 1, 0},
         0x4E,
         Expected(1, 0x4E)},
        {"OutPortB",
         IOCTL_WRITE_PORT_BYTE,
         MakeByteRecord(0x296, 0x80),
         {"write", 0x296, 1, 0x80},
         0,
         Expected(1, 0x80)},
        {"ReadPortVal 1",
         IOCTL_READ_PORT,
         MakeSizedRecord(0x2E5, 1),
         {"read", 0x2E5, 1, 0},
         0x7A,
         Expected(1, 0x7A)},
        {"ReadPortVal 2",
         IOCTL_READ_PORT,
         MakeSizedRecord(0x295, 2),
         {"read", 0x295, 2, 0},
         0xBEEF,
         Expected(2, 0xBEEF)},
        {"ReadPortVal 4",
         IOCTL_READ_PORT,
         MakeSizedRecord(0xCF8, 4),
         {"read", 0xCF8, 4, 0},
         0x80001234,
         Expected(4, 0x80001234)},
        {"WritePortVal 1",
         IOCTL_WRITE_PORT,
         MakeSizedRecord(0x80, 1, 0x1234AB, true),
         {"write", 0x80, 1, 0xAB},
         0,
         Expected(1, 0xAB)},
        {"WritePortVal 2",
         IOCTL_WRITE_PORT,
         MakeSizedRecord(0x295, 2, 0x12345678, true),
         {"write", 0x295, 2, 0x5678},
         0,
         Expected(2, 0x5678)},
        {"WritePortVal 4",
         IOCTL_WRITE_PORT,
         MakeSizedRecord(0xFFFC, 4, 0xDEADBEEF, true),
         {"write", 0xFFFC, 4, 0xDEADBEEF},
         0,
         Expected(4, 0xDEADBEEF)},
        {"word at the top",
         IOCTL_READ_PORT,
         MakeSizedRecord(0xFFFE, 2),
         {"read", 0xFFFE, 2, 0},
         1,
         Expected(2, 1)},
        {"byte at 0xFFFF",
         IOCTL_READ_PORT_BYTE,
         MakeByteRecord(0xFFFF),
         {"read", 0xFFFF, 1, 0},
         9,
         Expected(1, 9)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_backend.m_calls.clear();
        m_backend.m_portValue = c.backendValue;
        DeviceAnswer answer = m_dispatcher.Dispatch(c.code, Bytes(c.input));
        ASSERT_TRUE(answer.success);
        EXPECT_EQ(answer.error, 0u);
        EXPECT_EQ(answer.output, Bytes(c.output));
        ASSERT_EQ(m_backend.m_calls.size(), 1u);
        EXPECT_EQ(m_backend.m_calls[0], c.call);
    }
}

struct BadPortCase {
    const char* name;
    uint32_t code;
    std::function<std::vector<uint8_t>()> input;
};

std::vector<uint8_t> Mutated(PortRecord r, size_t offset, uint8_t value) {
    r[offset] = value;
    return Bytes(r);
}

TEST_F(DispatcherTest, MalformedPortRecordsFailWithEinvalAndTouchNothing) {
    const BadPortCase cases[] = {
        {"empty", IOCTL_READ_PORT, [] { return std::vector<uint8_t>{}; }},
        {"19 bytes", IOCTL_READ_PORT_BYTE, [] { return std::vector<uint8_t>(19, 0); }},
        {"21 bytes", IOCTL_WRITE_PORT,
         [] {
             auto v = Bytes(MakeSizedRecord(0x295, 1, 1, true));
             v.push_back(0);
             return v;
         }},
        {"size 0", IOCTL_READ_PORT, [] { return Mutated(MakeSizedRecord(0x295, 1), 0, 0); }},
        {"size 3", IOCTL_READ_PORT, [] { return Mutated(MakeSizedRecord(0x295, 2), 0, 3); }},
        {"size 8", IOCTL_WRITE_PORT, [] { return Mutated(MakeSizedRecord(0x295, 4), 0, 8); }},
        {"byte 1", IOCTL_READ_PORT, [] { return Mutated(MakeSizedRecord(0x295, 1), 1, 1); }},
        {"byte 3", IOCTL_WRITE_PORT, [] { return Mutated(MakeSizedRecord(0x295, 2), 3, 0x80); }},
        {"byte 18", IOCTL_READ_PORT, [] { return Mutated(MakeSizedRecord(0x295, 4), 18, 1); }},
        {"byte 19", IOCTL_WRITE_PORT, [] { return Mutated(MakeSizedRecord(0x295, 1), 19, 1); }},
        {"32-bit port above 0xFFFF", IOCTL_READ_PORT,
         [] {
             PortRecord r = MakeSizedRecord(0x295, 4);
             PutLe32(&r[PORT_OFF_PORT32], 0x10295);
             return Bytes(r);
         }},
        {"dword past the last port", IOCTL_READ_PORT,
         [] { return Bytes(MakeSizedRecord(0xFFFD, 4)); }},
        {"word past the last port", IOCTL_WRITE_PORT,
         [] { return Bytes(MakeSizedRecord(0xFFFF, 2, 1, true)); }},
        {"byte port low byte differs", IOCTL_READ_PORT,
         [] { return Mutated(MakeSizedRecord(0x295, 1), PORT_OFF_PORT8, 0x96); }},
        {"byte port low byte missing", IOCTL_READ_PORT,
         [] { return Mutated(MakeSizedRecord(0x295, 1), PORT_OFF_PORT8, 0); }},
        {"word with another 32-bit port", IOCTL_READ_PORT,
         [] { return Mutated(MakeSizedRecord(0x295, 2), PORT_OFF_PORT32, 0x80); }},
        {"dword with another 16-bit port", IOCTL_READ_PORT,
         [] { return Mutated(MakeSizedRecord(0x295, 4), PORT_OFF_PORT16, 0x80); }},
        {"read carrying a value", IOCTL_READ_PORT,
         [] { return Mutated(MakeSizedRecord(0x295, 2), PORT_OFF_VALUE16, 1); }},
        {"read carrying a dword value", IOCTL_READ_PORT,
         [] { return Mutated(MakeSizedRecord(0x295, 4), PORT_OFF_VALUE32 + 3, 1); }},
        {"one-byte request of size 2", IOCTL_READ_PORT_BYTE,
         [] { return Mutated(MakeByteRecord(0x295), 0, 2); }},
        {"one-byte request of size 0", IOCTL_WRITE_PORT_BYTE,
         [] { return Mutated(MakeByteRecord(0x295, 1), 0, 0); }},
        {"one-byte request with offset 12", IOCTL_READ_PORT_BYTE,
         [] { return Mutated(MakeByteRecord(0x295), PORT_OFF_PORT8, 0x95); }},
        {"one-byte request with a 32-bit port", IOCTL_WRITE_PORT_BYTE,
         [] { return Mutated(MakeByteRecord(0x295, 1), PORT_OFF_PORT32, 0x95); }},
        {"one-byte request with a word value", IOCTL_WRITE_PORT_BYTE,
         [] { return Mutated(MakeByteRecord(0x295, 1), PORT_OFF_VALUE16, 1); }},
        {"one-byte read carrying a value", IOCTL_READ_PORT_BYTE,
         [] { return Mutated(MakeByteRecord(0x295), PORT_OFF_VALUE8, 1); }},
        {"one-byte request, byte 19", IOCTL_READ_PORT_BYTE,
         [] { return Mutated(MakeByteRecord(0x295), 19, 1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceAnswer answer = m_dispatcher.Dispatch(c.code, c.input());
        EXPECT_FALSE(answer.success);
        EXPECT_EQ(answer.error, static_cast<uint32_t>(EINVAL));
        EXPECT_TRUE(answer.output.empty());
    }
    EXPECT_TRUE(m_backend.m_calls.empty());
}

TEST_F(DispatcherTest, BackendRefusalIsAnEioFailure) {
    m_backend.m_fail = true;
    for (uint32_t code : {IOCTL_READ_PORT, IOCTL_WRITE_PORT}) {
        DeviceAnswer answer = m_dispatcher.Dispatch(code, Bytes(MakeSizedRecord(0x80, 1)));
        EXPECT_FALSE(answer.success);
        EXPECT_EQ(answer.error, static_cast<uint32_t>(EIO));
        EXPECT_TRUE(answer.output.empty());
    }
    std::vector<uint8_t> msr{0x10, 0, 0, 0};
    EXPECT_EQ(m_dispatcher.Dispatch(IOCTL_READ_MSR, msr).error, static_cast<uint32_t>(EIO));
    std::vector<uint8_t> wrmsr(12, 0);
    EXPECT_EQ(m_dispatcher.Dispatch(IOCTL_WRITE_MSR, wrmsr).error, static_cast<uint32_t>(EIO));
}

TEST_F(DispatcherTest, ByteReadKeepsOnlyTheByteOfAWiderBackendValue) {
    m_backend.m_portValue = 0xAABBCCDD;
    DeviceAnswer answer = m_dispatcher.Dispatch(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0x295)));
    ASSERT_TRUE(answer.success);
    EXPECT_EQ(answer.output, Bytes(Expected(1, 0xDD)));
}

TEST_F(DispatcherTest, MsrReadAnswersEightBytesLowHalfFirst) {
    m_backend.m_msrValue = 0x1122334455667788ull;
    std::vector<uint8_t> input{0x9C, 0x01, 0, 0};
    DeviceAnswer answer = m_dispatcher.Dispatch(IOCTL_READ_MSR, input);
    ASSERT_TRUE(answer.success);
    EXPECT_EQ(answer.output,
              (std::vector<uint8_t>{0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11}));
    ASSERT_EQ(m_backend.m_calls.size(), 1u);
    EXPECT_EQ(m_backend.m_calls[0], (CFakeBackend::Call{"rdmsr", 0x19C, 8, 0}));
}

TEST_F(DispatcherTest, MsrWriteJoinsLowAndHigh) {
    std::vector<uint8_t> input(12);
    PutLe32(&input[0], 0x1A0);
    PutLe32(&input[4], 0xCAFEF00D);
    PutLe32(&input[8], 0x00000001);
    DeviceAnswer answer = m_dispatcher.Dispatch(IOCTL_WRITE_MSR, input);
    ASSERT_TRUE(answer.success);
    EXPECT_TRUE(answer.output.empty());
    ASSERT_EQ(m_backend.m_calls.size(), 1u);
    EXPECT_EQ(m_backend.m_calls[0], (CFakeBackend::Call{"wrmsr", 0x1A0, 8, 0x1CAFEF00Dull}));
}

TEST_F(DispatcherTest, MsrRecordsOfTheWrongSizeFailWithEinval) {
    const std::pair<uint32_t, size_t> cases[] = {
        {IOCTL_READ_MSR, 0},  {IOCTL_READ_MSR, 3},   {IOCTL_READ_MSR, 8},
        {IOCTL_WRITE_MSR, 8}, {IOCTL_WRITE_MSR, 11}, {IOCTL_WRITE_MSR, 16},
    };
    for (auto [code, size] : cases) {
        SCOPED_TRACE(size);
        DeviceAnswer answer = m_dispatcher.Dispatch(code, std::vector<uint8_t>(size, 0));
        EXPECT_FALSE(answer.success);
        EXPECT_EQ(answer.error, static_cast<uint32_t>(EINVAL));
    }
    EXPECT_TRUE(m_backend.m_calls.empty());
}

TEST_F(DispatcherTest, MalformedEventAndMicrocontrollerRecordsTouchNothing) {
    const std::pair<uint32_t, size_t> cases[] = {
        {IOCTL_REGISTER_EVENT, 0},
        {IOCTL_REGISTER_EVENT, 3},
        {IOCTL_REGISTER_EVENT, 8},
        {IOCTL_MCU_WRITE, MCU_RECORD_SIZE - 1},
        {IOCTL_MCU_READ, MCU_RECORD_SIZE + 1},
        {IOCTL_MCU_READ, 0},
    };
    for (auto [code, size] : cases) {
        DeviceAnswer answer = m_dispatcher.Dispatch(code, std::vector<uint8_t>(size, 0), getpid());
        EXPECT_FALSE(answer.success);
        EXPECT_EQ(answer.error, static_cast<uint32_t>(EINVAL));
    }
    // Item 111, and a write that expects more than its status byte.
    auto item111 = MakeMcuRequest(111, nullptr, 0, 1);
    auto wideWrite = MakeMcuRequest(107, nullptr, 0, 2);
    EXPECT_EQ(m_dispatcher.Dispatch(IOCTL_MCU_READ, {item111.begin(), item111.end()}).error,
              static_cast<uint32_t>(EINVAL));
    EXPECT_EQ(m_dispatcher.Dispatch(IOCTL_MCU_WRITE, {wideWrite.begin(), wideWrite.end()}).error,
              static_cast<uint32_t>(EINVAL));
    EXPECT_TRUE(m_backend.m_calls.empty());
}

TEST_F(DispatcherTest, WithoutAnEventObjectRegistrationIsNotServed) {
    DeviceAnswer answer =
        m_dispatcher.Dispatch(IOCTL_REGISTER_EVENT, std::vector<uint8_t>(4, 0), getpid());
    EXPECT_FALSE(answer.success);
    EXPECT_EQ(answer.error, static_cast<uint32_t>(ENOSYS));
}

TEST(DispatcherMcu, ItemRequestsRunTheHandshakeAndAnswerTheRecord) {
    CMcuBackend backend;
    CRequestDispatcher dispatcher(backend);
    const uint8_t index = 0;
    auto read = MakeMcuRequest(ITEM_INT_STATUS, &index, 1, 1);
    backend.m_mcu.Raise({0x20});
    DeviceAnswer answer = dispatcher.Dispatch(IOCTL_MCU_READ, {read.begin(), read.end()});
    ASSERT_TRUE(answer.success);
    ASSERT_EQ(answer.output.size(), MCU_RECORD_SIZE);
    EXPECT_EQ(answer.output[MCU_OFF_RESULT], 1);
    EXPECT_EQ(answer.output[MCU_OFF_DATA], 1) << "one pending entry";
    const uint8_t first = 1;
    read = MakeMcuRequest(ITEM_INT_STATUS, &first, 1, 1);
    answer = dispatcher.Dispatch(IOCTL_MCU_READ, {read.begin(), read.end()});
    ASSERT_TRUE(answer.success);
    EXPECT_EQ(answer.output[MCU_OFF_DATA], 0x20);

    auto ack = MakeMcuRequest(ITEM_INT_ACK, nullptr, 0, 1);
    answer = dispatcher.Dispatch(IOCTL_MCU_WRITE, {ack.begin(), ack.end()});
    ASSERT_TRUE(answer.success);
    EXPECT_EQ(answer.output[MCU_OFF_RESULT], 1);
    EXPECT_TRUE(backend.m_mcu.Pending().empty());

    auto board = MakeMcuRequest(ITEM_BOARD_INFO, nullptr, 0, 9);
    answer = dispatcher.Dispatch(IOCTL_MCU_READ, {board.begin(), board.end()});
    ASSERT_TRUE(answer.success);
    EXPECT_EQ(answer.output[MCU_OFF_RESULT], 9);
    EXPECT_EQ(std::vector<uint8_t>(answer.output.begin() + 4, answer.output.begin() + 13),
              std::vector<uint8_t>(CGx4410Model::DEFAULT_BOARD_INFO.begin(),
                                   CGx4410Model::DEFAULT_BOARD_INFO.end()));
    EXPECT_EQ(answer.output[13], 0);
}

TEST(DispatcherMcu, NoMicrocontrollerIsResult0xFFAndAFailingPortAFailure) {
    CMcuBackend backend;
    CRequestDispatcher dispatcher(backend);
    auto read = MakeMcuRequest(0, nullptr, 0, 1);
    backend.m_mcu.SetMode(CGx4410Model::EMode::OFF);
    DeviceAnswer answer = dispatcher.Dispatch(IOCTL_MCU_READ, {read.begin(), read.end()});
    ASSERT_TRUE(answer.success);
    EXPECT_EQ(answer.output[MCU_OFF_RESULT], MCU_NO_ANSWER);

    backend.m_mcu.SetMode(CGx4410Model::EMode::ON);
    backend.m_failReads = true;
    answer = dispatcher.Dispatch(IOCTL_MCU_READ, {read.begin(), read.end()});
    EXPECT_FALSE(answer.success);
    EXPECT_EQ(answer.error, static_cast<uint32_t>(EIO));
}

TEST(DispatcherEvent, RegistrationTakesThePeersEventAndPassesOnRefusals) {
    CTempDir dir;
    const std::string path = dir.PathOf(INTERRUPT_EVENT_NAME);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    const int reader = open(path.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    CFakeBackend backend;
    CInterruptEvent event(dir.Path());
    CRequestDispatcher dispatcher(backend, &event);

    std::vector<uint8_t> in(REGISTER_EVENT_IN_SIZE);
    PutLe32(in.data(), 99999);
    DeviceAnswer answer = dispatcher.Dispatch(IOCTL_REGISTER_EVENT, in, getpid());
    EXPECT_FALSE(answer.success);
    EXPECT_EQ(answer.error, static_cast<uint32_t>(EBADF));

    PutLe32(in.data(), static_cast<uint32_t>(reader));
    answer = dispatcher.Dispatch(IOCTL_REGISTER_EVENT, in, getpid());
    EXPECT_TRUE(answer.success);
    EXPECT_TRUE(answer.output.empty());
    EXPECT_TRUE(event.RaiseInterrupt());
    char byte = 0;
    EXPECT_EQ(read(reader, &byte, 1), 1);
    close(reader);
}

TEST_F(DispatcherTest, UnknownCodesFailWithEinval) {
    for (uint32_t code : {0u, 0x00222410u, 0x00222438u, 0x0022242Au, 0xFFFFFFFFu}) {
        DeviceAnswer answer = m_dispatcher.Dispatch(code, Bytes(MakeByteRecord(0x295)));
        EXPECT_FALSE(answer.success);
        EXPECT_EQ(answer.error, static_cast<uint32_t>(EINVAL));
    }
    EXPECT_TRUE(m_backend.m_calls.empty());
}

}  // namespace
