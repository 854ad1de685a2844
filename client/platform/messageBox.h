#pragma once

#include <QString>

namespace platform {

// A message with an OK button only and the program's title, opened window-modal; the caller
// goes on at once and the box deletes itself when answered.
void messageBox(const QString &text);

} // namespace platform
