#pragma once
// The kernel's hwmon driver for the W83627EHF, as far as its sysfs attributes go, run against
// the simulated chip: the same registers, one update sweep that fills a cache, shows that only
// format the cache, and stores with the kernel's parsing, rounding, clamps and refusals.
//
// The chip is taken to have all its inputs: in0..in9, fan1..fan5, temp1..temp3, pwm1..pwm4.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "chip_register_access.h"
#include "hwmon_conversions.h"

class CEhfHwmonDriver {
  public:
    static constexpr const char* NAME = "w83627ehf";

    struct SAttribute {
        std::string name;
        bool writable;
    };

    CEhfHwmonDriver();

    // What the kernel does when it binds to the chip: starts monitoring, enables VBAT
    // monitoring, reads the sensor types, the fan divisors and the fan modes it will allow
    // back. Then the first sweep.
    void Probe(IChipRegisterAccess& chip);
    // One update sweep: every value and limit into the cache. A fan that cannot be counted gets
    // a larger divisor for the next sweep, its limit halved to stay the same speed.
    void Update(IChipRegisterAccess& chip);

    // Every attribute, "name" first, in a stable order.
    const std::vector<SAttribute>& Attributes() const { return m_list; }
    // The text a read gives ("1234\n"); nullopt for an attribute the driver does not have.
    std::optional<std::string> Show(const std::string& name) const;
    // A write of text: 0, or the errno the kernel gives (EINVAL, ERANGE; EACCES for a
    // read-only attribute, ENOENT for one that does not exist).
    int Store(IChipRegisterAccess& chip, const std::string& name, const std::string& text);

  private:
    using ShowFn = std::function<long()>;
    using StoreFn = std::function<int(IChipRegisterAccess&, long)>;
    struct SEntry {
        ShowFn show;
        StoreFn store;  // empty for read-only
        bool isSigned;  // parsed as kstrtol (else kstrtoul)
    };

    void Add(std::string name, ShowFn show, StoreFn store = {}, bool isSigned = true);
    const SEntry* Find(const std::string& name) const;
    void AddInputs();
    void AddFans();
    void AddTemperatures();
    void AddPwms();

    void UpdateFanDivisors(IChipRegisterAccess& chip);
    void WriteFanDivisor(IChipRegisterAccess& chip, int fan);
    void UpdatePwms(IChipRegisterAccess& chip);

    int StoreFanMin(IChipRegisterAccess& chip, int fan, long value);
    int StorePwmEnable(IChipRegisterAccess& chip, int pwm, long value);
    int StorePwmMode(IChipRegisterAccess& chip, int pwm, long value);
    int StoreTolerance(IChipRegisterAccess& chip, int pwm, long value);

    std::vector<SAttribute> m_list;
    std::vector<SEntry> m_entries;  // parallel to m_list

    // The cache, in register units, as the kernel keeps it.
    uint8_t m_in[sim_hwmon::IN_COUNT]{};
    uint8_t m_inMin[sim_hwmon::IN_COUNT]{};
    uint8_t m_inMax[sim_hwmon::IN_COUNT]{};
    unsigned m_rpm[sim_hwmon::FAN_COUNT]{};
    uint8_t m_fanMin[sim_hwmon::FAN_COUNT]{};
    uint8_t m_fanDiv[sim_hwmon::FAN_COUNT]{};
    uint16_t m_temp[sim_hwmon::TEMP_COUNT]{};
    uint16_t m_tempMax[sim_hwmon::TEMP_COUNT]{};
    uint16_t m_tempMaxHyst[sim_hwmon::TEMP_COUNT]{};
    int8_t m_tempOffset[sim_hwmon::TEMP_COUNT]{};
    uint8_t m_tempType[sim_hwmon::TEMP_COUNT]{};
    uint32_t m_alarms = 0;
    uint8_t m_caseOpen = 0;
    uint8_t m_pwmMode[sim_hwmon::PWM_COUNT]{};
    uint8_t m_pwmEnable[sim_hwmon::PWM_COUNT]{};
    uint8_t m_pwmEnableOrig[sim_hwmon::PWM_COUNT]{};
    uint8_t m_pwm[sim_hwmon::PWM_COUNT]{};
    uint8_t m_targetTemp[sim_hwmon::PWM_COUNT]{};
    uint8_t m_tolerance[sim_hwmon::PWM_COUNT]{};
    uint8_t m_startOutput[sim_hwmon::PWM_COUNT]{};
    uint8_t m_stopOutput[sim_hwmon::PWM_COUNT]{};
    uint8_t m_stopTime[sim_hwmon::PWM_COUNT]{};
};
