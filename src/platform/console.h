// Where standard output goes. On Windows a program started without a console or
// a pipe (a double-click in the Explorer) would print into nothing: its standard
// output then goes to "stdout.txt" and its standard error to "stderr.txt" beside
// the program. Started from a console or a build script, both stay where they
// are. Elsewhere nothing changes.
#pragma once

// True when standard output reaches whoever started the program (a console, a
// pipe or a file); false when it was started without one and its output now goes
// to "stdout.txt", where nobody reads it at once. Always true outside Windows.
bool redirectOutputWithoutConsole();
