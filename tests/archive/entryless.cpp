// A library in the component's name that has none of its entry points.
extern "C" int quillbrookEntrylessComponent() {
    return 0;
}
