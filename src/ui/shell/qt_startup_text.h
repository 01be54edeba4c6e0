#pragma once
// Texts of start-up's windows: the panel's language file (section MAIN) when
// it has the key, else the program's own English.

#include <QString>

QString StartupText(const char* key);
// The one name of the program, for titles ("Telvane Remote Control Panel").
QString ProductName();
