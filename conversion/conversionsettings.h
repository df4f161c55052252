#pragma once

namespace quillbrook {

// How many converters a run keeps going at once: the setting
// "SimultaneousConversions", a whole number from 1 to 16; anything else, or
// no value, gives the number of processor cores, at most 4.
int SimultaneousConversions();

// After how many minutes without a new log line a converter counts as hung:
// the setting "StalledConverterMinutes", fractions allowed; 0 turns the watch
// off; no value, a negative number or a text that is not a number gives 10.
double StalledConverterMinutes();

} // namespace quillbrook
