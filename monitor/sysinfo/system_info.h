#pragma once
// Named facts about the computer, each as text: GetInfo("Path") is the program folder,
// GetInfo("MBModel") the board model, and so on. An unknown key, or a fact that cannot be found,
// gives "". Nothing is cached: every call reads its source again. Where each fact comes from:
//
//   Path          folder of the running executable (/proc/self/exe), ending with "/"
//   MBModel       Win32_BaseBoard.Product (DMI board_name, else the DMI table), normalised
//   BIOSProvider  Win32_Bios.Manufacturer (DMI bios_vendor, else the DMI table)
//   BIOSDate      Win32_Bios.ReleaseDate (DMI bios_date, else the DMI table) as mm/dd/yyyy
//   VGAID         Win32_VideoController.PNPDeviceID (display adapter in PCI sysfs), SUBSYS part
//   WinSPVer      Win32_OperatingSystem.CSDVersion, which is "" on Linux, so ""
//   DetectOS      the Windows version flags, none of which Linux sets, so ""
//   Lang          the user's locale (LC_ALL, LC_MESSAGES, LANG) through the language table
//   ComputerName  the host name
//   UserName      the account name of the real user id
//   IPAddr        the first IPv4 address the host name resolves to
//   TickCount     milliseconds since boot (CLOCK_BOOTTIME) as a signed 32-bit number
//   SysDate       local date m/d/yyyy;  SysTime  local time h:m:s
//   Resolution    primary screen WIDTHxHEIGHT;  BitPixel  its bits per pixel (display interface)
//   WinDesktop, WinTemp, WinPicture, WinMusic
//                 XDG user directories DESKTOP, TEMPLATES, PICTURES, MUSIC (user-dirs.dirs)
//   WinSystem, WinProgram, WinDir
//                 "": Linux has no such folders
//   DirectX       machine hive HKEY_LOCAL_MACHINE\Software\Microsoft\DirectX "Version"
//   IEVer         "": the browser library it asks does not exist here
// On the 95 family (only with a made-up version record) MBModel, BIOSProvider and BIOSDate come
// from the DMI table walk instead, and VGAID and WinSPVer are "".

#include <string>

#include "notifier.h"
#include "os_version_info.h"
#include "system_sources.h"

class CSystemInfo {
  public:
    // `notifier` shows the WMI-style query's set-up and enumeration failures.
    explicit CSystemInfo(INotifier& notifier, SystemSources sources = DefaultSystemSources());

    // Keys compare exactly, with case.
    std::string GetInfo(const std::string& key) const;

  private:
    std::string ProgramFolder() const;
    std::string Language() const;
    std::string DetectOS() const;
    std::string BoardModel() const;
    std::string VgaId() const;
    std::string ServicePack() const;
    std::string BiosProvider() const;
    std::string BiosDate() const;
    std::string TemplatesFolder() const;
    std::string DesktopFolder() const;
    std::string PicturesFolder() const;
    std::string MusicFolder() const;
    std::string Resolution() const;
    std::string BitsPerPixel() const;
    std::string DirectX() const;
    std::string IpAddress() const;
    std::string ComputerName() const;
    std::string UserName() const;
    std::string TickCount() const;
    std::string SystemDate() const;
    std::string SystemTime() const;
    std::string NoFact() const;

    COSVersionInfo OsInfo() const;
    std::string Wmi(const char* className, const char* propertyName) const;
    std::string HostName() const;
    std::optional<DisplayMode> Display() const;

    INotifier& m_notifier;
    SystemSources m_sources;
};
