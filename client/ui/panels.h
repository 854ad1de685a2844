#pragma once

// Every panel of the main window, for code that reaches their controls from outside.
#include "ui/connectPanel.h"
#include "ui/currentDownloadPanel.h"
#include "ui/libraryPanel.h"
#include "ui/radioPanel.h"
#include "ui/recommendationsPanel.h"
#include "ui/resultsPanel.h"
#include "ui/searchOptionsPanel.h"
#include "ui/shopPanel.h"
#include "ui/similarArtistsPanel.h"
