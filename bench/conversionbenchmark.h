#pragma once

#include <QDir>
#include <QFile>
#include <QString>

// Gives a conversion benchmark the offscreen platform, a settings store and a
// temporary folder of its own under its work folder; called before the
// application object exists.
inline void isolateConversionBenchmark(const QString& work) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work + QStringLiteral("/config")));
    qputenv("TEMP", QFile::encodeName(work + QStringLiteral("/temp")));
    QDir().mkpath(work + QStringLiteral("/temp"));
}
