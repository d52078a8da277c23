// Ending the program: one request sets the terminated flag and ends every running event loop,
// nested modal loops included. Flows that ran a modal window check the flag before going on.
#pragma once

void RequestTerminate();
bool TerminateRequested();
// Clears the flag (tests run several flows in one process).
void ResetTermination();
