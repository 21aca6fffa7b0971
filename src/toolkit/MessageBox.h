#pragma once
// The message-box service for code that has no window of its own (settings
// errors at start-up). The editor installs a service that shows a real
// message box; until then, and in GUI-free tests, boxes go to standard error.
// Tests install a recorder.
#include <functional>
#include <string>

namespace MessageBox {

enum class Buttons { Ok, YesNoCancel };
enum class Icon { Information, Question };
enum class Result { Ok, Yes, No, Cancel };

using Service = std::function<Result(const std::string& text, const std::string& caption, Buttons, Icon)>;

// Installs a service and returns the one it replaces. An empty service
// restores the standard-error fallback.
Service SetService(Service service);

Result Show(const std::string& text, const std::string& caption,
            Buttons buttons = Buttons::Ok, Icon icon = Icon::Information);

} // namespace MessageBox
