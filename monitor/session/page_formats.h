#pragma once
// The number texts of the status page and the sensor report. Halves round away from zero
// (" 45" for 44.5) through the project's one formatter.

#include <string>

// A temperature reading as shown: narrowed to single precision, converted to Fahrenheit
// (x 1.8 + 32) when asked, and narrowed again.
float DisplayTemperature(double celsius, bool inCelsius);
// A limit as shown: converted in double precision.
double DisplayTemperatureLimit(double celsius, bool inCelsius);

std::string DegreesText(double degrees);             // "%3.0f"
std::string VoltText(double volts);                  // "%2.2f V"
std::string VoltRangeText(double low, double high);  // "%2.2fV ~ %2.2fV"
std::string RpmText(double rpm);                     // "%5.0f RPM"
