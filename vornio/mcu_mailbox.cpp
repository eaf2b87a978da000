#include "mcu_mailbox.h"

#include "mailbox_ports.h"

using namespace vornio;

int CMcuMailbox::WriteCommand(uint8_t value) {
    return m_ports.OutPortB(MAILBOX_COMMAND_PORT, value);
}

uint8_t CMcuMailbox::ReadCommand() {
    uint8_t value = 0;
    return m_ports.InPortB(MAILBOX_COMMAND_PORT, &value) ? value : 0;
}

int CMcuMailbox::WriteData(uint8_t value) {
    return m_ports.OutPortB(MAILBOX_DATA_PORT, value);
}

uint8_t CMcuMailbox::ReadData() {
    uint8_t value = 0;
    return m_ports.InPortB(MAILBOX_DATA_PORT, &value) ? value : 0;
}

bool CMcuMailbox::IsACK() {
    return ReadData() == MAILBOX_ACK;
}

bool CMcuMailbox::IsBusy() {
    return ReadCommand() == MAILBOX_BUSY;
}

bool CMcuMailbox::IsValid() {
    return (ReadCommand() & MAILBOX_VALID) != 0;
}

bool CMcuMailbox::IsGX4410Exist() {
    WriteCommand(0);
    m_sleepMs(EXIST_WAIT_MS);
    return ReadData() == MAILBOX_ACK;
}
