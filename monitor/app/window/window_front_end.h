#pragma once
// The monitor in its skinned window: the session on the window's timer until the window closes.

#include "machine.h"
#include "port_guard.h"

// argc/argv go to the toolkit. Returns the exit code.
int RunWindowFrontEnd(IMachine& machine, CPortGuard* guard, int argc, char** argv);
