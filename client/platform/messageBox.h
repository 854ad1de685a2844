#pragma once

#include <QString>

namespace platform {

// Modal message with an OK button only and the program's title.
void messageBox(const QString &text);

} // namespace platform
