#pragma once

#include <QByteArray>
#include <QString>

namespace quillbrook {

// The platform's path separator: every path rule of the program uses it.
inline constexpr QChar pathSeparator = QLatin1Char('/');

bool PathExists(const QString& path);
bool FolderExists(const QString& path);

// The program's named deletion functions; the conversion run removes its own
// folder now, so only their tests call these four.
void DeleteFileQuietly(const QString& path);
void ForceDeleteFile(const QString& path);
void RemoveFolderQuietly(const QString& path);
void DeleteFolderTree(const QString& path);

QString FileNameOf(const QString& path);
QString FolderOf(const QString& path);
QString StripExtension(const QString& fileName);
QString CleanPath(const QString& path);

void WriteTextFile(const QString& text, const QString& path);
// A named file function of the program; only its tests call it now.
void WriteBytesIfAbsent(const QByteArray& bytes, const QString& path);

} // namespace quillbrook
