#pragma once
// The message-box service. Code with a window passes it as the owner; code
// without one (settings errors at start-up) shows boxes without an owner.
// The program installs the real message boxes at start-up (UseQtMessageBoxes);
// until then, and in GUI-free tests, boxes go to standard error. Tests
// install a recorder, which can ask Owner() for the box's owner.
#include "toolkit/NativeWindow.h"

#include <functional>
#include <string>

namespace MessageBox {

enum class Buttons { Ok, YesNoCancel, YesNo };
enum class Icon { Information, Question };
enum class Result { Ok, Yes, No, Cancel };

using Service = std::function<Result(const std::string& text, const std::string& caption, Buttons, Icon)>;

// Installs a service and returns the one it replaces. An empty service
// restores the standard-error fallback.
Service SetService(Service service);

// A box without an owner window.
Result Show(const std::string& text, const std::string& caption, Buttons buttons = Buttons::Ok,
            Icon icon = Icon::Information);
// A box owned by a window (null: none), modal over it.
Result Show(NativeWindow owner, const std::string& text, const std::string& caption, Buttons buttons = Buttons::Ok,
            Icon icon = Icon::Information);

// The owner of the box being shown on this thread, for the service; null
// outside a box and for boxes without an owner.
NativeWindow Owner();

// Installs the service that shows real message boxes (needs the application
// object of the GUI).
void UseQtMessageBoxes();

}  // namespace MessageBox
