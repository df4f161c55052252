#pragma once

#include "conversionwindow.h"

namespace quillbrook {

// "Start Converting": converts every file of the input list with calibre's
// converter, several at once (SimultaneousConversions), and ends with one
// message that names the files not converted and those saved under another
// name. The run goes on from the event loop after this returns; the window
// stays live. Pressed during a run, it asks whether to stop the run.
void PushButton2_Click(const ConversionWindow& window);

// The window is asked to close: while a run is going on, asks the question a
// press of "Start Converting" asks then. True when the window may close (no
// run, or the user chose to stop it, which endConversionRun then does); false
// keeps the window and the run going.
bool askToStopConversionRunBeforeClosing(ConversionWindowState& state);

// The window is closing: ends every converter of a run that is going on, with
// everything it started, and removes the run's working folder. No message.
void endConversionRun(ConversionWindowState& state);

} // namespace quillbrook
