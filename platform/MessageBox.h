// Plain modal message boxes with an OK button, for code that has no dialog of its own (the
// plug-in). The program that runs the code decides how a box is shown: in a window, or printed on
// a console. A box never waits for input where no one can answer it.
#pragma once

#include <functional>
#include <string_view>

namespace platform {

using MessageBoxHandler = std::function<void(std::string_view text)>;

// Shows the text in the way the running program has set; by default prints it to stderr.
void ShowMessageBox(std::string_view text);

// Sets how message boxes are shown; an empty handler restores the default.
void SetMessageBoxHandler(MessageBoxHandler handler);

} // namespace platform
