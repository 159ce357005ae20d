#ifndef STARTUP_H
#define STARTUP_H

#include <QString>

// Loads and installs the toolkit's own translation for the system locale,
// from the toolkit's directory or the "translations" directory beside the
// program. Nothing is reported when neither has it.
void installTranslation();

#endif // STARTUP_H
