// What every platform's dialog manager does, written once: a click on an
// automatic radio button or check box, where Enter and Tab go, Escape and
// the close box as Cancel, the system commands a dialog does not handle,
// the first tab stop. A backend calls these for the input its platform
// delivers. Where the platform has a dialog manager of its own (Win32's
// IsDialogMessage does Tab, Enter, Escape, mnemonics and the first tab
// stop), the backend leaves that part to it, and calls ClickButton for every
// click of a button all the same: the platform's buttons report clicks and
// never change their own check.
#pragma once

#include "ui/resources.h"

class CDialog;

namespace ui {

// Every way of activating a button ends here: the mouse, the keyboard
// (Space, a mnemonic, Enter on a push button), assistive technology. An
// automatic radio button takes the check from the others of its group, an
// automatic check box toggles, then the dialog gets the command.
void ClickButton(CDialog& dialog, int controlId);

enum class Key { Enter, Escape, Tab, ShiftTab };

// Enter presses the focused push button, else the default push button if it
// is enabled, else (in a dialog without one) sends IDOK; Escape sends
// IDCANCEL; Tab and Shift+Tab move the focus to the next or previous
// enabled tab stop in template order, wrapping round.
void PressKey(CDialog& dialog, Key key);

// The close box: the system command Close, on a window with a system menu.
void PressCloseBox(CDialog& dialog);

// A system command from the window's system menu or close box, for a
// platform without a default handling of its own: the dialog's handling,
// else Close ends the dialog as Cancel and the rest do nothing.
void SystemCommand(CDialog& dialog, unsigned command);

// After initialisation, when OnInitDialog returned true: the first enabled
// tab stop in template order takes the focus.
void FocusFirstTabStop(CDialog& dialog);

// The tab stop after `control` in template order, wrapping round, enabled or
// not: where a static text's mnemonic sends the focus. Null when there is
// none.
const ControlTemplate* NextTabStop(const DialogTemplate& dialogTemplate,
                                   const ControlTemplate& control);

}  // namespace ui
