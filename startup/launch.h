#pragma once
// Starting the LaunchCommand after a successful extraction.
#include "runtime/string.h"

enum LaunchTextKind { LaunchProgram = 1, LaunchParameters = 2 };

void RunLaunchCommand();
String BuildLaunchText(LaunchTextKind kind);
