#pragma once

#include "unziprecords.h"

#include <functional>
#include <string>
#include <vector>

namespace quillbrook::test {

// The recording stand-in for the zip extraction component: what it was sent
// in its last run, and what it does and answers. Tests link it and point the
// program at its folder, so both reach this one state.
struct StandInComponent {
    int runs = 0;
    int32_t includeCount = -1;
    std::vector<std::string> include;
    int32_t excludeCount = -1;
    std::vector<std::string> exclude;
    // Both lists ended by an empty text with null pointers after it.
    bool listsWellFormed = false;
    unzip::Options options{};
    std::string zipFile;
    std::string extractFolder;
    // The five callbacks handed over, the sound callback left null.
    bool callbacksComplete = false;

    // Called inside a run with the callbacks the program handed over.
    std::function<void(const unzip::Callbacks&)> during;
    int32_t result = 0;

    unzip::VersionRecord versionSent{};
    std::function<void(unzip::VersionRecord&)> version;
};

StandInComponent& standInComponent();

} // namespace quillbrook::test
