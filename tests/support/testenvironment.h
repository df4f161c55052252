#pragma once

#include <QString>

namespace quillbrook::test {

// Empties the settings store the test owns (its own XDG_CONFIG_HOME).
void clearSettingsStore();

// Stores a value the way the program does.
void storeSetting(const QString& key, const QString& text);

// The stored text of a key, or a null text when the key has no value.
QString storedSetting(const QString& key);

// The folder the build lays the program out in, with the files installed
// beside the program.
QString builtProgramFolder();

} // namespace quillbrook::test

class QWidget;

namespace quillbrook::test {

// Saves a picture of the whole screen as <name>.png in the artifacts folder
// and returns its path.
QString saveScreenshot(const QString& name);

} // namespace quillbrook::test
