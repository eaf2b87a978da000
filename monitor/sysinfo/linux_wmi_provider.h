#pragma once
// The WMI classes the program asks for, answered from Linux:
//   Win32_BaseBoard        Product, Manufacturer   DMI facts (board_name, board_vendor)
//   Win32_Bios             Manufacturer            DMI facts (bios_vendor)
//                          ReleaseDate             DMI bios_date as yyyymmddHHMMSS.mmmmmmsUUU
//   Win32_VideoController  PNPDeviceID             the display adapter in PCI sysfs
//   Win32_OperatingSystem  CSDVersion              "" (Linux has no service packs)
// A class whose facts are all missing has no instance; a property without a value is null.

#include <string>

#include "dmi_source.h"
#include "wmi_provider.h"

// The WMI date form of a DMI date (mm/dd/yyyy, or mm/dd/yy meaning 19yy); "" when the text is
// not such a date.
std::string WmiDateFromDmi(const std::string& dmiDate);

class CLinuxWmiProvider : public IWmiProvider {
  public:
    CLinuxWmiProvider(DmiSources dmi, std::string pciRoot);

    uint32_t StartCom() override;
    uint32_t SetComSecurity() override;
    void EndCom() override;
    uint32_t Connect(const std::string& nameSpace) override;
    uint32_t EnumerateInstances(const std::string& className,
                                std::vector<WmiInstance>& instances) override;

    // How many COM starts on this thread are not yet ended.
    static int ComUsers();

  private:
    DmiSources m_dmi;
    std::string m_pciRoot;
    bool m_connected = false;
};
