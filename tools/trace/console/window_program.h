// ardun-trace.exe started by ardun-trace.com for a trace in the window alone.
#pragma once

// Starts ardun-trace.exe from this program's folder with this program's
// arguments, and does not wait for it. The exit status: 0 when it started, 1
// (having said why on standard error) when it did not.
int StartWindowProgram();
