// The start-up of the program: every window created once, in order, with the data module
// between the two groups; the splash while the database opens; the main window until the end.
#pragma once

#include "data/DataModule.h"

// Runs the program; returns the exit code.
int RunProgram(const TDM::Options& options);
