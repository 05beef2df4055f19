// The program's start-up and run, shared by plovex and the test harness built from it.
#pragma once

// Makes the toolkit and both windows, wires them to each other, shows the main window and
// runs the loop until the program ends; returns the process's exit status.
int RunPlovex(int argc, char *argv[]);
