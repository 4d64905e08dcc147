#pragma once
#include "capture/CaptureOptions.h"

// Renders the show on the fixed clock into the outputs the options ask for.
// Returns the process exit code: 0 when every output was written, 1 otherwise.
int runCapture(const CaptureOptions& options);
