#pragma once
// One monitoring pass as one line of JSON, made from its snapshot:
//   {"items":[{"itemNo":1,"name":"CPU Core","type":"voltage","pin":"VCORE","enabled":true,
//   "alarm":false,"beepEnable":true,"shutdownEnable":false,"value":1.5,"hiLimit":1.6,
//   "loLimit":1.2,"valueText":"1.50 V","limitText":"1.20V ~ 1.60V","statusText":"Normal",
//   "unit":"V","stale":false,"lastRead":"2026-12-07T17:32:39.120Z","powerOffIn":null,
//   "device":"w83627ehf","deviceId":"","sensor":"in0"}, ...],
//   "globalBeep":true,"warningItems":"","warningText":"NORMAL","pass":1,
//   "time":"2026-12-07T17:32:39.120Z","durationMs":6.1,"chipAnswered":true,"statusRead":true,
//   "chipPath":"raw","staleItems":0,"itemSource":"boardFile","problems":[],
//   "counts":{"passes":1,...}}
// Values in volts, degrees Celsius and rpm (a hwmon sensor's to the thousandth, as the kernel
// gives them; the chip's at the chip's resolution); a value never read, or not a finite number, is
// null, and so is the global beep before the settings reached the chip. Numbers read back as the
// same double; whole numbers have no fraction. Texts that are not UTF-8 have U+FFFD for each byte
// that is not. Type is "voltage", "temperature", "fan", or "other" for a type no operation handles.
// chipPath is "kernel" when the chip is reached through the kernel's driver for it (no beeper:
// every beep is false), "raw" through ports, "none" when no item reads the chip.
// Each item says where its value comes from as the kernel names it: device ("nvme", "k10temp";
// "w83627ehf" for the chip's own pins), deviceId (the device's stable path below /sys,
// "virtual/<name>/<k>" for one without; always there, "" for the chip's pins) and sensor
// ("temp1", "in0", "fan2"; "" for a pin with no such channel). itemSource is "hwmon" when the
// items are every hwmon sensor of the machine, "boardFile" when they come from the board file
// (which may name hwmon sensors too).

#include <string>

struct SPassSnapshot;

std::string JsonReport(const SPassSnapshot& pass);
