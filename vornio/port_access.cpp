#include "port_access.h"

#include "port_record.h"

using namespace vornio;

int CPortAccess::InPortB(uint16_t port, uint8_t* value) {
    PortRecord in = MakeByteRecord(port);
    PortRecord out{};
    uint32_t returned = 0;
    if (!m_device.Control(IOCTL_READ_PORT_BYTE, in, out, &returned)) {
        m_failure.Record("Error occured in InPortB");
        return 0;
    }
    *value = out[PORT_OFF_VALUE8];
    return 1;
}

int CPortAccess::OutPortB(uint16_t port, uint8_t value) {
    PortRecord in = MakeByteRecord(port, value);
    PortRecord out{};
    uint32_t returned = 0;
    if (!m_device.Control(IOCTL_WRITE_PORT_BYTE, in, out, &returned)) {
        m_failure.Record("Error occured in WriteData");
        return 0;
    }
    return 1;
}

bool CPortAccess::ReadPortVal(uint16_t port, uint32_t* value, uint8_t size) {
    PortRecord in = MakeSizedRecord(port, size);
    PortRecord out{};
    uint32_t returned = 0;
    if (!m_device.Control(IOCTL_READ_PORT, in, out, &returned)) {
        m_failure.Record("Error occurred in ReadPortVal!");
        return false;
    }
    uint8_t echoed = out[PORT_OFF_SIZE];
    if (echoed != size) {
        m_failure.Record("Error occurred in ReadPortVal ==> Size not match");
        return false;
    }
    if (echoed == 1 || echoed == 2 || echoed == 4)
        *value = RecordValue(out, echoed);
    return true;
}

bool CPortAccess::WritePortVal(uint16_t port, uint32_t value, uint8_t size) {
    PortRecord in = MakeSizedRecord(port, size, value, true);
    PortRecord out{};
    uint32_t returned = 0;
    if (!m_device.Control(IOCTL_WRITE_PORT, in, out, &returned)) {
        m_failure.Record("Error occurred in WritePortVal!");
        return false;
    }
    if (out[PORT_OFF_SIZE] != size) {
        m_failure.Record("Error occurred in WritePortVal ==> Size not match");
        return false;
    }
    return true;
}

uint64_t CPortAccess::ReadMSR(uint32_t msr) {
    uint8_t in[READ_MSR_IN_SIZE];
    PutLe32(in, msr);
    uint8_t out[READ_MSR_OUT_SIZE] = {};
    uint32_t returned = 0;
    if (!m_device.Control(IOCTL_READ_MSR, in, out, &returned)) {
        m_failure.Record("ia32error::err_ring0_ioctl");
        return 0;
    }
    if (returned != READ_MSR_OUT_SIZE) {
        m_failure.Record("ia32error::err_ring0_size");
        return 0;
    }
    return GetLe64(out);
}

void CPortAccess::WriteMSR(uint32_t msr, uint32_t low, uint32_t high) {
    uint8_t in[WRITE_MSR_IN_SIZE];
    PutLe32(in, msr);
    PutLe32(in + 4, low);
    PutLe32(in + 8, high);
    uint32_t returned = 0;
    if (!m_device.Control(IOCTL_WRITE_MSR, in, {}, &returned)) {
        m_failure.Record("ia32error::err_ring0_ioctl");
    }
}
