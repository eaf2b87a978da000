#pragma once
// One monitoring pass as one line of JSON, made from its snapshot:
//   {"items":[{"itemNo":1,"name":"CPU Core","type":"voltage","pin":"VCORE","enabled":true,
//   "alarm":false,"beepEnable":true,"shutdownEnable":false,"value":1.5,"hiLimit":1.6,
//   "loLimit":1.2,"valueText":"1.50 V","limitText":"1.20V ~ 1.60V","statusText":"Normal",
//   "unit":"V","stale":false,"lastRead":"2026-12-07T17:32:39.120Z","powerOffIn":null}, ...],
//   "globalBeep":true,"warningItems":"","warningText":"NORMAL","pass":1,
//   "time":"2026-12-07T17:32:39.120Z","durationMs":6.1,"chipAnswered":true,"statusRead":true,
//   "chipPath":"raw","staleItems":0,"problems":[],"counts":{"passes":1,...}}
// Values in volts, degrees Celsius and rpm; a value never read, or not a finite number, is null,
// and so is the global beep before the settings reached the chip. Numbers read back as the same
// double; whole numbers have no fraction. Texts that are not UTF-8 have U+FFFD for each byte that
// is not.
// Type is "voltage", "temperature", "fan", or "other" for a type no operation handles.
// chipPath is "kernel" when the chip is reached through the kernel's driver for it (no beeper:
// every beep is false), "raw" through ports.

#include <string>

struct SPassSnapshot;

std::string JsonReport(const SPassSnapshot& pass);
