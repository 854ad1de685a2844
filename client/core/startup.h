#pragma once

#include <QtGlobal>

namespace startup {

// Computes the settings, makes sure the four folders exist and gives the application state its
// start values. Returns false (after telling the user which folder) when a folder is missing
// and cannot be created; the program cannot work without it and should end.
bool runStartupSequence(qintptr ownerWindow = 0);

} // namespace startup
