#include "ui/formQueryDb.h"

// Library and playback handlers are connected here.
void formQueryDb::setupLibraryHandlers()
{
}
