#pragma once
// The program's own string table: start-up's windows fall back on it when the
// language file lacks a text; every other text comes from the language file.

constexpr int IDS_APP_TITLE = 1;       // "Telvane Remote Control Panel"
constexpr int IDS_NOT_RESPONDING = 10; // "Not responding"
constexpr int IDS_PORT_BUSY = 107;     // "Port is busy"
constexpr int IDS_LANGUAGE_UNREADABLE = 108;

// The string of that id; empty when the table has none.
const char* LoadStringResource(int id);

// Start-up's texts by their language-file key (section MAIN); "" for another key.
const char* BuiltInStartupText(const char* key);
