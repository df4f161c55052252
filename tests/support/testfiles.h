#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace quillbrook::test {

// Writes the bytes to a new or emptied file; a failure fails the test.
void writeFile(const QString& path, const QByteArray& content);

// The whole content of a file, or "<unreadable>" when it cannot be read.
QByteArray readFile(const QString& path);

// The whole content of a file, or nothing when it cannot be read.
QByteArray readAll(const QString& path);

// The number of the failure the action raises (and its source), or 0.
int failureNumberOf(const std::function<void()>& action, QString* source = nullptr);

} // namespace quillbrook::test
