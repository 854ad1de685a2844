#pragma once

#include "require.h"

#include <QString>

#include <cstddef>
#include <cstdint>

// What the reply-reader targets share: an offscreen application for the widgets the readers fill,
// the client's settings, and one file per process that holds the current input.
namespace fuzz {

// Once per process: the application, settings under a private folder in /dev/shm.
void start();

// Writes the bytes to this process's input file and returns its path.
QString writeInput(const std::uint8_t *data, std::size_t size);

// Closes the message boxes a reader opened, so they do not pile up over millions of runs.
void closeMessageBoxes();

} // namespace fuzz
