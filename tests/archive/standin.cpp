#include "standin.h"

using namespace quillbrook;

namespace {
// Reads a name list as the component would, and checks its closing: an empty
// text after the names, null pointers in every later slot.
bool readList(int32_t count, const char* const* list, std::vector<std::string>& names) {
    names.clear();
    if (count < 0 || count >= unzip::nameListSlots)
        return false;
    for (int32_t i = 0; i < count; ++i)
        names.emplace_back(list[i] != nullptr ? list[i] : "<null>");
    if (list[count] == nullptr || *list[count] != '\0')
        return false;
    for (int i = count + 1; i < unzip::nameListSlots; ++i) {
        if (list[i] != nullptr)
            return false;
    }
    return true;
}
} // namespace

test::StandInComponent& test::standInComponent() {
    static StandInComponent component;
    return component;
}

extern "C" int32_t Wiz_SingleEntryUnzip(int32_t includeCount, const char* const* include,
                                        int32_t excludeCount, const char* const* exclude,
                                        const unzip::Options* options,
                                        unzip::Callbacks* callbacks) {
    test::StandInComponent& component = test::standInComponent();
    ++component.runs;
    component.includeCount = includeCount;
    component.excludeCount = excludeCount;
    component.listsWellFormed = readList(includeCount, include, component.include) &&
                                readList(excludeCount, exclude, component.exclude);
    component.options = *options;
    component.zipFile = options->zipFile;
    component.extractFolder = options->extractFolder;
    component.callbacksComplete = callbacks->print && !callbacks->sound && callbacks->replace &&
                                  callbacks->password && callbacks->listing && callbacks->service;
    if (component.during)
        component.during(*callbacks);
    return component.result;
}

extern "C" void UzpVersion2(unzip::VersionRecord* record) {
    test::StandInComponent& component = test::standInComponent();
    component.versionSent = *record;
    if (component.version)
        component.version(*record);
}
