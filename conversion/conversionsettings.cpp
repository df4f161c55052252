#include "conversionsettings.h"

#include "settings.h"

#include <QThread>
#include <algorithm>
#include <cmath>

namespace quillbrook {

int SimultaneousConversions() {
    bool isNumber = false;
    const int stored = ReadSetting(QStringLiteral("SimultaneousConversions"), QString())
                           .trimmed()
                           .toInt(&isNumber);
    if (isNumber && stored >= 1 && stored <= 16)
        return stored;
    return std::clamp(QThread::idealThreadCount(), 1, 4);
}

double StalledConverterMinutes() {
    constexpr double defaultMinutes = 10;
    bool isNumber = false;
    const double stored = ReadSetting(QStringLiteral("StalledConverterMinutes"), QString())
                              .trimmed()
                              .toDouble(&isNumber);
    return isNumber && std::isfinite(stored) && stored >= 0 ? stored : defaultMinutes;
}

} // namespace quillbrook
