#pragma once

#include <QString>

namespace quillbrook {

// The name the program is sold under.
inline const QString productName = QStringLiteral("Quillbrook");

// The support address named by the error report and the conversion summary.
inline const QString supportAddress = QStringLiteral("support@quillbrook.example");

// The program's web site, opened on some starts.
inline const QString webAddress = QStringLiteral("https://quillbrook.example/");

// The lasting application title derived from a product name: the name less its
// last word, and less further words while it is longer than 40 characters; a
// name without a blank is the title whole.
QString deriveApplicationTitle(const QString& productName);

// The caption of every message box and input prompt that names none of its
// own: the product name until start-up sets the lasting title.
QString applicationTitle();
void setApplicationTitle(const QString& title);

} // namespace quillbrook
