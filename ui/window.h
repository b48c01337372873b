// The part of a dialog's window that every backend keeps alike, and the
// windows open. A backend's Window (its state.h) derives from WindowRecord
// and adds only what its platform draws and delivers.
#pragma once

#include <vector>

#include "ui/resources.h"

class CDialog;

namespace ui {

struct Window;  // the backend's own

struct WindowRecord {
  CDialog* dialog;
  const DialogTemplate* tmpl;
  Window* owner;    // the window it blocks while it runs, or null
  int bigIcon = 0;  // the icon resources set as the window's icons
  int smallIcon = 0;
  bool ended = false;  // EndModal was called, with this result
  int result = 0;
};

// The windows of the dialogs that run, oldest first (from the backend's
// CreateDialogWindow to its DestroyDialogWindow). UI thread only, as the
// rest.
std::vector<Window*> OpenWindows();
// The top-most open window built from this template, or null.
Window* FindWindow(int templateId);
// The template an open window was built from.
int TemplateOf(const Window* window);

}  // namespace ui
