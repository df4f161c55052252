#pragma once

class QWidget;

namespace quillbrook {

// Makes SIGTERM, SIGINT (Ctrl+C in a terminal) and SIGHUP close the window as
// the user would, so that a conversion run going on ends its converters and
// removes its working folder, and then quits the application. Call once.
void closeOnTerminationSignals(QWidget& window);

} // namespace quillbrook
