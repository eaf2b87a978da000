// The hwmon write request before anything is written: the record, the attribute allow-list and
// the value text.

#include <gtest/gtest.h>

#include <cerrno>

#include "device_codes.h"
#include "fake_backend.h"
#include "hwmon_allow_list.h"
#include "hwmon_write_record.h"
#include "request_dispatcher.h"

using namespace vornio;

namespace {

class CRecordingWriter : public IHwmonAttributeWriter {
  public:
    int Write(const std::string& attribute, const std::string& value) override {
        written.push_back(attribute + "=" + value);
        return 0;
    }
    std::vector<std::string> written;
};

TEST(HwmonAllowList, TakesTheMonitorsWritableAttributesWithinTheChipsChannels) {
    for (const char* name : {"in0_min", "in9_max", "temp1_max", "temp3_max_hyst", "fan1_min",
                             "fan5_min", "pwm1", "pwm4", "pwm2_enable", "pwm3_mode", "pwm4_target",
                             "pwm1_tolerance", "pwm2_start_output", "pwm3_stop_output"}) {
        EXPECT_TRUE(IsAllowedHwmonAttribute(name)) << name;
    }
    for (const char* name : {"",
                             "in10_min",
                             "in01_min",
                             "in0_input",
                             "in0_alarm",
                             "temp0_max",
                             "temp4_max",
                             "temp1_input",
                             "temp1_offset",
                             "fan0_min",
                             "fan6_min",
                             "fan1_div",
                             "pwm0",
                             "pwm5",
                             "pwm1_stop_time",
                             "pwm1_max_output",
                             "name",
                             "../in0_min",
                             "in0_min/",
                             "./in0_min",
                             "in0_min.new",
                             "IN0_MIN",
                             "in0_min ",
                             " in0_min",
                             "pwm1_enable\n",
                             "intrusion0_alarm",
                             "uevent",
                             "device"}) {
        EXPECT_FALSE(IsAllowedHwmonAttribute(name)) << '"' << name << '"';
    }
}

TEST(HwmonAllowList, ValuesAreDecimalIntegers) {
    for (const char* value : {"0", "55300", "-55000", "99999999999"})
        EXPECT_TRUE(IsHwmonDecimalValue(value)) << value;
    for (const char* value :
         {"", "-", "+5", "5.5", "1e3", "0x10", " 5", "5 ", "5\n", "--5", "999999999999", "abc"}) {
        EXPECT_FALSE(IsHwmonDecimalValue(value)) << '"' << value << '"';
    }
}

struct RefusedCase {
    std::vector<uint8_t> record;
    int error;
};

std::vector<uint8_t> Record(const std::string& attribute, const std::string& value) {
    auto r = MakeHwmonWriteRecord(attribute, value);
    return r ? std::vector<uint8_t>(r->begin(), r->end()) : std::vector<uint8_t>{};
}

TEST(HwmonWriteRequest, RefusesEverythingOffTheListWithoutWriting) {
    std::vector<uint8_t> embeddedNul = Record("in0_min", "100");
    embeddedNul[HWMON_OFF_ATTRIBUTE + 8] = 'x';  // "in0_min\0x...": a NUL inside the name
    std::vector<uint8_t> unterminated = Record("in0_min", "100");
    std::fill_n(unterminated.begin() + HWMON_OFF_VALUE, HWMON_FIELD_SIZE, '1');
    std::vector<uint8_t> shortRecord = Record("in0_min", "100");
    shortRecord.pop_back();

    const RefusedCase cases[] = {
        {Record("../../../../etc/passwd", "1"), EPERM},
        {Record("in0_input", "1"), EPERM},
        {Record("name", "1"), EPERM},
        {Record("in0_min", "abc"), EINVAL},
        {Record("in0_min", "1.5"), EINVAL},
        {Record("in0_min", ""), EINVAL},
        {embeddedNul, EINVAL},
        {unterminated, EINVAL},
        {shortRecord, EINVAL},
        {{}, EINVAL},
    };
    CFakeBackend backend;
    CRequestDispatcher dispatcher(backend);
    CRecordingWriter writer;
    dispatcher.SetHwmonWriter(&writer);
    for (size_t i = 0; i < std::size(cases); ++i) {
        DeviceAnswer answer = dispatcher.Dispatch(IOCTL_HWMON_WRITE, cases[i].record);
        EXPECT_FALSE(answer.success) << "case " << i;
        EXPECT_EQ(answer.error, static_cast<uint32_t>(cases[i].error)) << "case " << i;
    }
    EXPECT_TRUE(writer.written.empty());

    DeviceAnswer good = dispatcher.Dispatch(IOCTL_HWMON_WRITE, Record("pwm2_enable", "2"));
    EXPECT_TRUE(good.success);
    EXPECT_EQ(writer.written, std::vector<std::string>{"pwm2_enable=2"});
    EXPECT_FALSE(MakeHwmonWriteRecord(std::string(HWMON_MAX_TEXT + 1, 'a'), "1"));
}

}  // namespace
