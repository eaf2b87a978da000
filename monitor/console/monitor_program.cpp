#include "monitor_program.h"

#include <cstdio>

#include "library_port_io.h"
#include "local_machine.h"
#include "notifier.h"
#include "plain_words_notifier.h"

int RunMonitorProgram(const MonitorFrontEnd& frontEnd) {
    CStderrNotifier stderrNotifier;
    CPlainWordsNotifier notifier(stderrNotifier);
    CLocalMachine machine(notifier);
    CLibraryPortIo library;
    CPortGuard io(library, [&machine] { return machine.PerfCounter(); });
    const int code = frontEnd(machine, io);
    std::fflush(stdout);
    return code;
}
