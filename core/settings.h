#pragma once

#include <QString>
#include <QVariant>

namespace quillbrook {

// The per-user settings store: named text values that outlive the program.
// A key without a value reads as its default turned into text.
QString ReadSetting(const QString& key, const QVariant& defaultValue);

// Stores the text under the key at once.
void WriteSetting(const QString& key, const QString& text);

// Reads a truth value from stored text: "True"/"False" in any case, or a number
// (zero is false). Anything else is a type-mismatch failure.
bool truthFromText(const QString& text);

// The text a truth value is stored as: "True" or "False".
QString textFromTruth(bool value);

} // namespace quillbrook
