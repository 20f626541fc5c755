// The stop signals of a Linux program: SIGTERM, SIGINT and SIGHUP noted through a pipe its loop
// polls, so that it can stop the music and give its resources back, and then end by that very
// signal, as XScreenSaver and a compositor's idle daemon expect. A stop that takes longer than a
// grace period (a display server that does not answer holds the program inside a call) ends the
// process by the signal at once. Process-wide, as signals are.
#pragma once

// Catches the stop signals; false when the pipe cannot be made.
bool CatchStopSignals();
// The descriptor that turns readable once a stop signal has come.
int StopSignalDescriptor();
// The first stop signal received; 0 before any.
int ReceivedStopSignal();
// Closes the pipe.
void CloseStopSignals();
// Ends the process by `signal` itself, so that its parent sees how it ended.
[[noreturn]] void EndBySignal(int signal);
// Opens descriptors 0 to 2 that the program was started without on /dev/null, so that neither
// the signal pipe nor the display connection takes their place and receives what a library
// writes to the standard error output.
void FillStandardDescriptors();
