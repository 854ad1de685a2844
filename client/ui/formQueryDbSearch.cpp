#include "ui/formQueryDb.h"

// Search, similar artists and radio handlers are connected here.
void formQueryDb::setupSearchHandlers()
{
}
