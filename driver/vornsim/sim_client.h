#pragma once
// Sends one command line to the VORN-SIM socket and collects the whole reply.

#include <string>

enum class ESimSendStatus {
    REPLIED,     // reply holds everything the service sent
    NO_SERVICE,  // no socket, or nobody listening on it
    DENIED,      // the socket's permissions keep this user out
    FAILED,      // anything else; error says what
};

struct SimSendResult {
    ESimSendStatus status = ESimSendStatus::FAILED;
    std::string reply;
    std::string error;
};

SimSendResult SendSimCommand(const std::string& socketPath, const std::string& line,
                             int timeoutSeconds = 30);
