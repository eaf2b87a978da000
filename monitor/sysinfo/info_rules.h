#pragma once
// The text rules of the system facts, apart from where the facts come from.

#include <cstdint>
#include <ctime>
#include <string>

// The board model as it names the board file: the text before the first "(", every "/" made
// "_" when the text holds "//", then spaces cut at the end and at the start.
std::string NormalizeBoardModel(std::string model);

// The SUBSYS_… part of a display adapter's device id: from "SUBSYS" up to "&REV".
std::string VgaIdFromDeviceId(const std::string& deviceId);

// "Service Pack 2" as "SP2"; "" for an empty text.
std::string ServicePackText(const std::string& csdVersion);

// The BIOS date mm/dd/yyyy from a WMI date (yyyymmdd…), the digits as stored. `addCentury` adds
// 100 to the year, for systems that gave two-digit BIOS years as 19yy. A text that does not start
// with eight digits, as "NULL" for a missing BIOS, gives "".
std::string BiosDateText(const std::string& wmiDate, bool addCentury);

// The DirectX release of the version value kept in the machine's registry.
std::string DirectXVersionText(const std::string& version);

// Milliseconds since start as the signed 32-bit tick count, which wraps after 24.8 days.
std::string TickCountText(uint64_t milliseconds);

// month/day/year and hour:minute:second, without leading zeros.
std::string DateText(const std::tm& t);
std::string TimeText(const std::tm& t);
