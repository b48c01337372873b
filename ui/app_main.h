// The program's entry into the dialog framework.
#pragma once

// Makes the calling thread the UI thread and runs the application object's
// start-up (CWinApp::InitInstance); the program ends when it returns.
int AfxWinMain(int argc, char** argv);
