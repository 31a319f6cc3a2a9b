// Ctrl+C, Ctrl+Break and closing the console ask a long-running tool to stop
// after the current step, so that it can still print its summary.
#pragma once

// Installs the console handler; false when the console refuses it (the tool
// then ends without a summary on Ctrl+C).
bool CatchStopRequests();
bool StopRequested();
