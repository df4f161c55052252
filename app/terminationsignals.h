#pragma once

namespace quillbrook {

class Form1;

// Makes SIGTERM, SIGINT (Ctrl+C in a terminal) and SIGHUP close the window
// without asking anything, so that a conversion run going on ends its
// converters and removes its working folder, and then quits the application.
// Call once.
void closeOnTerminationSignals(Form1& window);

} // namespace quillbrook
