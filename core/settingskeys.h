#pragma once

#include <QLatin1String>
#include <QString>

namespace quillbrook {

// Every key of the settings store in one table: its name, what it reads as
// while it has no value, and how a stored text is checked. The values stay
// the texts the store has always held; ReadSetting and WriteSetting remain the
// one way to the store, and every key goes through an entry here.

// A key whose value is any text.
struct TextSetting {
    QLatin1String key;
    QLatin1String defaultText;

    QString read() const;
    void write(const QString& text) const;
};

// A key whose default is named only where it is read: "Text1", whose default
// is the user's desktop folder, which the window finds at start-up.
struct TextSettingWithReadersDefault {
    QLatin1String key;

    QString read(const QString& defaultText) const;
    void write(const QString& text) const;
};

// A truth, stored as "True" or "False"; a stored number reads as true unless
// it is zero, and any other text is a type-mismatch failure.
struct TruthSetting {
    QLatin1String key;
    bool defaultValue;

    bool read() const;
    void write(bool value) const;
};

// A whole number from lowest to highest; no value, or a text that is not such
// a number, reads as what the fallback gives.
struct CountSetting {
    QLatin1String key;
    int lowest;
    int highest;
    int (*fallback)();

    int read() const;
};

// Minutes, fractions allowed; no value, a negative number, or a text that is
// not a number reads as the default, and more than the most minutes (infinity
// too) reads as the most, so that the milliseconds they make always fit.
struct MinutesSetting {
    QLatin1String key;
    double defaultMinutes;
    double mostMinutes;

    double read() const;
};

// The most conversions a run keeps going at once, however it is told the number.
inline constexpr int mostSimultaneousConversions = 16;

// How many conversions a machine runs at once by default: one per processor
// core, yet at most one per 400 MB of the memory available (availableBytes,
// negative when unknown), and from 1 to mostSimultaneousConversions.
int simultaneousConversionsFor(int cores, qint64 availableBytes);
// The same for this machine now: its cores, and MemAvailable of /proc/meminfo.
int simultaneousConversionsForThisMachine();

namespace settingKeys {
// Whether "Save results to this folder:" is selected.
inline constexpr TruthSetting Option1{QLatin1String("Option1"), true};
// Whether "Save results in folder of original file" is selected.
inline constexpr TruthSetting Option2{QLatin1String("Option2"), false};
// The output-folder text.
inline constexpr TextSettingWithReadersDefault Text1{QLatin1String("Text1")};
// Whether "Keep sub-folders" is checked.
inline constexpr TruthSetting KeepSubfolders{QLatin1String("KeepSubfolders"), false};
// Whether "Skip books already converted" is checked.
inline constexpr TruthSetting SkipConverted{QLatin1String("SkipConverted"), false};
// The folder last chosen for the output folder.
inline constexpr TextSetting LastFolderDot{QLatin1String("LastFolderDot"), QLatin1String("")};
// The folder last chosen for "Add All MOBI File(s) In Folder".
inline constexpr TextSetting LastFolder{QLatin1String("LastFolder"), QLatin1String("")};
// The extensions last entered for "Add All MOBI File(s) In Folder", as typed:
// one, or several separated by spaces or commas.
inline constexpr TextSetting Extension{QLatin1String("Extension"), QLatin1String("mobi")};
// How many converters a run keeps going at once.
inline constexpr CountSetting SimultaneousConversions{QLatin1String("SimultaneousConversions"), 1,
                                                      mostSimultaneousConversions,
                                                      simultaneousConversionsForThisMachine};
// After how many minutes without a new log line a converter counts as hung; 0
// turns the watch off.
inline constexpr MinutesSetting StalledConverterMinutes{QLatin1String("StalledConverterMinutes"),
                                                        10, 1000000};
// Whether a run converts through the warm converter (calibre loaded once),
// or starts the per-book launcher for every book.
inline constexpr TruthSetting WarmConverter{QLatin1String("WarmConverter"), true};
} // namespace settingKeys

// The run's count of converters and its stall limit, by the names the run
// reads them under; "WarmConverter" is read through its entry above.
inline int SimultaneousConversions() {
    return settingKeys::SimultaneousConversions.read();
}
inline double StalledConverterMinutes() {
    return settingKeys::StalledConverterMinutes.read();
}

} // namespace quillbrook
