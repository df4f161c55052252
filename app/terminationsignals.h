#pragma once

#include <functional>

class QObject;

namespace quillbrook {

class Form1;

// Makes SIGTERM, SIGINT (Ctrl+C in a terminal) and SIGHUP close the window
// without asking anything, so that a conversion run going on ends its
// converters and removes its working folder, and then quits the application.
// Call once.
void closeOnTerminationSignals(Form1& window);

// Calls the handler from the event loop, with the signal's number, when
// SIGTERM, SIGINT or SIGHUP arrives; only the first such signal is handed on.
// The handler lives as long as the context object. Call once.
void handleTerminationSignals(QObject& context, std::function<void(int signalNumber)> handler);

} // namespace quillbrook
