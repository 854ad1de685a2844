#pragma once

#include <QString>

namespace platform {

// Hands an address to the desktop's default handler; the outcome is not reported.
void shellOpen(const QString &address);

} // namespace platform
