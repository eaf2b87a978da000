#include "hwmon_sensor.h"

const char* HwmonKindText(EHwmonKind kind) {
    switch (kind) {
        case EHwmonKind::Voltage:
            return "voltage";
        case EHwmonKind::Temperature:
            return "temperature";
        case EHwmonKind::Fan:
            return "fan";
    }
    return "";
}

const char* HwmonUnit(EHwmonKind kind) {
    switch (kind) {
        case EHwmonKind::Voltage:
            return "V";
        case EHwmonKind::Temperature:
            return "°C";
        case EHwmonKind::Fan:
            return "rpm";
    }
    return "";
}
