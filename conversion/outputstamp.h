#pragma once

#include <QString>
#include <ctime>

namespace quillbrook {

// What stands at an output path before the converter runs, so that afterwards
// a file left over from earlier is not taken for the converter's work.
struct OutputStamp {
    bool exists = false;
    long long size = 0;
    timespec modified{};
};

OutputStamp stampOf(const QString& path);

// True when something exists at the path now and it did not before, or its
// size or modification time has changed since the stamp was taken.
bool writtenSince(const OutputStamp& before, const QString& path);

} // namespace quillbrook
