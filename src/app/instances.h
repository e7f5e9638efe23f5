// The one process-wide Editor: every record the running program works on.
// Only the program's entry point and event loop use it; everything else takes
// the records it needs by reference.
#pragma once

#include "app/editor.h"

extern Editor editor;
