#pragma once

class formHandleDownload;

// Gives the track action chooser its behaviour: "do it" records the selected option's action
// and is enabled only once an option is selected; hiding or closing the chooser while no choice
// is recorded records "forget", so the waiting main window always goes on; while it waits, the
// chooser keeps itself in front.
void setupChoiceHandlers(formHandleDownload &chooser);
