#pragma once

#include "unziprecords.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace quillbrook {

class cUnzip;

// The only code that talks to the zip extraction component. The component is
// loaded on first use from the program folder; while it runs, its callbacks
// reach the current extractor as that object's events. One run at a time.
namespace mUnzip {

// The file the component is loaded from, in the component folder.
inline const QString componentFileName = QStringLiteral("libvbuzip10.so");

// The component is looked for in the program folder, then in the current
// folder. A caller (the conversion run, which names the program folder, or a
// test) may name the one folder to load it from instead (an empty name goes
// back to the usual search); the next use then loads it anew.
void setComponentFolder(const QString& folder);

// The options record as an extractor keeps it: the flags, with the two texts
// kept aside until a run points the record at their 8-bit forms.
struct OptionsRecord {
    unzip::Options flags{};
    QString zipFile;
    QString unzipFolder;
};

// One run of the component for `extractor`, which is the current extractor
// from then on. Returns the component's result code. Fails (with the source
// "<program>.VBUnzip", the current extractor cleared) when the component
// cannot be loaded or a name list has more than 1023 names.
int32_t VBUnzip(cUnzip& extractor, OptionsRecord& options, const QStringList& includeNames,
                const QStringList& excludeNames);

// The component's version query.
void UzpVersion2(unzip::VersionRecord& record);

// The extractor the callbacks deliver to; null before the first run, after a
// failed one and once the object is gone.
cUnzip* currentExtractor();

// "<program>.<module>": the source a failure names.
QString failureSource(const QString& module);

// Replaces each `from` after the first character by `to`; returns the 1-based
// position just after the last one replaced, or 1 when none was.
int ReplaceSeparators(QString& text, QChar from, QChar to);

struct FolderAndName {
    QString folder;
    QString name;
};

// An entry path as the listing shows it: "a/b/c.txt" is folder "a/b" and name
// "c.txt"; a path without a folder (or with a separator only in front) has an
// empty folder.
FolderAndName SplitFolderAndName(const QString& path);

// The date of a listed entry: a two-digit year from 0 to 29 means 2000 to 2029,
// from 30 to 99 means 1930 to 1999; a month, day, hour or minute beyond its
// range rolls over into the next larger one.
QDateTime ListingDate(int year, int month, int day, int hour, int minute);

} // namespace mUnzip
} // namespace quillbrook
