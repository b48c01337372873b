// Tarnwick's entry point: the application object and the framework's start.
#include "app/quillan_app.h"
#include "ui/app_main.h"

// The one application object, constructed before start-up runs.
CQuillanApp theApp;

int main(int argc, char** argv) {
  return AfxWinMain(argc, argv);
}
