#include "page_formats.h"

#include "number_format.h"

float DisplayTemperature(double celsius, bool inCelsius) {
    float t = static_cast<float>(celsius);
    if (!inCelsius) {
        t = static_cast<float>(t * 1.8 + 32);
    }
    return t;
}

double DisplayTemperatureLimit(double celsius, bool inCelsius) {
    return inCelsius ? celsius : celsius * 1.8 + 32;
}

std::string DegreesText(double degrees) {
    return FormatFixed(degrees, 3, 0);
}

std::string VoltText(double volts) {
    return FormatFixed(volts, 2, 2) + " V";
}

std::string VoltRangeText(double low, double high) {
    return FormatFixed(low, 2, 2) + "V ~ " + FormatFixed(high, 2, 2) + "V";
}

std::string RpmText(double rpm) {
    return FormatFixed(rpm, 5, 0) + " RPM";
}
