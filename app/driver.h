#pragma once
// The program's driver: reads the option, fixes the folders, runs the capture
// or the comparison sequence, catches what the subsystems raise, and ends with
// the closing prompt.

/// Runs vastrel with the command line; returns the exit status.
int RunDriver(int argc, char** argv);
