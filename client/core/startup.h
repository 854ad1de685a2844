#pragma once

namespace core {

// Computes the settings and makes sure the four folders exist. Returns false (after telling
// the user which folder) when a folder is missing and cannot be created; the program cannot
// work without it and should end.
bool startUp();

} // namespace core
