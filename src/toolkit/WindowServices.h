#pragma once
// Window services of the platform layer: cursors, the maximized test, the
// open/save file dialog and pop-up menus. No Qt here; the window is the
// opaque handle of toolkit/NativeWindow.h.
#include "toolkit/NativeWindow.h"

#include <string>
#include <vector>

// Shows the arrow cursor over the window until the next such call.
void NativeSetPointerCursor(NativeWindow window);
// Shows the cross-hair cursor over the window until the next such call.
void NativeSetCrossCursor(NativeWindow window);
// True when the top-level window holding this one is maximized; false for no window.
bool NativeIsWindowMaximized(NativeWindow window);

// Runs the modal open (open true) or save dialog with one filter, "description
// (pattern)". Open accepts existing files only; save asks before replacing a
// file and appends the pattern's extension ("*.pbn" and "dmp" both give
// ".pbn" / ".dmp") to a name typed without one. True and the chosen full path
// (UTF-8) in path when confirmed; false and path unchanged otherwise, and at
// once when pattern and description together exceed 250 characters. A null
// owner is allowed.
bool NativeFileDialog(NativeWindow owner, const std::string& pattern, const std::string& description, std::string& path,
                      bool open);

// Loads Qt's German translation, whatever the locale, so that Qt's own
// dialogs and buttons (the file dialog, message boxes, an edit's context
// menu) speak German like the rest of the program. False when the
// translation is not installed. Needs the application.
bool UseGermanQtTexts();

// Shows a pop-up menu at the window's client point (x, y) and returns the
// index of the chosen entry, or -1. An entry "-" is a separator and can never
// be chosen.
int NativeShowMenu(NativeWindow window, int x, int y, const std::vector<std::string>& entries);
