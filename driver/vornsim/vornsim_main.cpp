// vornsim: sends one command to a vorn-iod running the sim backend and prints its reply.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim_client.h"
#include "sim_reply.h"

namespace {

constexpr int EXIT_USAGE = 1;
constexpr int EXIT_NO_SERVICE = 2;

constexpr const char* USAGE =
    "Usage: vornsim <command words...>\n"
    "Sends the command to the simulated board of a running vorn-iod (socket VORN-SIM in\n"
    "$VORNIO_RUNTIME_DIR, default /run/vorn-io) and prints its reply.\n"
    "'vornsim help' lists the board's commands.\n"
    "Exit status: 0 done, 2 no running service, otherwise the board's error code.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(USAGE, stderr);
        return EXIT_USAGE;
    }
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs(USAGE, stdout);
        return EXIT_SUCCESS;
    }
    std::string line;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word.find_first_of("\r\n") != std::string::npos) {
            std::fputs("vornsim: command words must not contain line breaks\n", stderr);
            return EXIT_USAGE;
        }
        if (i > 1)
            line += ' ';
        line += word;
    }

    const char* dirVar = std::getenv("VORNIO_RUNTIME_DIR");
    const std::string dir = dirVar && *dirVar ? dirVar : "/run/vorn-io";
    const std::string socketPath = dir + "/VORN-SIM";

    SimSendResult sent = SendSimCommand(socketPath, line);
    switch (sent.status) {
        case ESimSendStatus::NO_SERVICE:
            std::fprintf(stderr, "vornsim: no running service with a simulated board at %s\n",
                         socketPath.c_str());
            return EXIT_NO_SERVICE;
        case ESimSendStatus::DENIED:
            std::fprintf(stderr, "vornsim: not allowed to use %s (%s)\n", socketPath.c_str(),
                         sent.error.c_str());
            return EXIT_NO_SERVICE;
        case ESimSendStatus::FAILED:
            std::fprintf(stderr, "vornsim: %s: %s\n", socketPath.c_str(), sent.error.c_str());
            return EXIT_NO_SERVICE;
        case ESimSendStatus::REPLIED:
            break;
    }
    auto reply = ParseSimReply(sent.reply);
    if (!reply) {
        std::fprintf(stderr, "vornsim: the service at %s gave no valid answer\n",
                     socketPath.c_str());
        return EXIT_NO_SERVICE;
    }
    std::fwrite(reply->text.data(), 1, reply->text.size(), reply->toStdout ? stdout : stderr);
    return reply->exitCode;
}
