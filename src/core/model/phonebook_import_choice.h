#pragma once
#include <string>

#include "model/phonebook_exchange.h"

// The panel's import question remembers the user's answers in
// $XDG_CONFIG_HOME/faxrcp/import.ini.

std::string ImportChoicePath();

// The remembered answers; the defaults where there are none or they are bad.
PhonebookImportOptions ReadImportChoice();

// Replaces the file at once. False when it could not be written.
bool SaveImportChoice(const PhonebookImportOptions& options);
