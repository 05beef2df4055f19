// The program's start-up and run, shared by plovex and the test harness built from it.
#pragma once

#include <functional>

class TMainForm;

// Where a harness may look on: both called with the main window, while both windows and
// the application exist.
struct RunHooks
{
    std::function<void(TMainForm &)> beforeShow; // just before the window is first shown
    std::function<void(TMainForm &)> afterRun;   // once the loop has ended
};

// Makes the toolkit and both windows, shows the main window and runs the loop until the
// program ends; returns the process's exit status.
int RunPlovex(int argc, char *argv[], const RunHooks &hooks = {});
