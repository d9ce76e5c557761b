// Test-only: the script of TESSEL_TEST_SCRIPT (see TestHooks.h for its lines), carried out on the
// running editor so that tests can drive the real process from outside. Without the variable
// nothing happens. GUI thread only.
#pragma once

class CMainFrame;

// Runs the script named by TESSEL_TEST_SCRIPT on `frame`, if there is one.
void RunTestScript(CMainFrame* frame);
