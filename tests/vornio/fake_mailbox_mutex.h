#pragma once
// A mailbox mutex whose open, wait and release outcomes the test chooses, counting each call.

#include "mailbox_mutex.h"

struct CFakeMailboxMutex : IMailboxMutex {
    bool openResult = true;
    EWaitResult waitResult = EWaitResult::SIGNALED;
    bool releaseResult = true;
    int opens = 0;
    int waits = 0;
    int releases = 0;

    bool Open() override {
        ++opens;
        return openResult;
    }
    EWaitResult Wait(const std::atomic<bool>*) override {
        ++waits;
        return waitResult;
    }
    bool Release() override {
        ++releases;
        return releaseResult;
    }
};
