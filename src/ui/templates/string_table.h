#pragma once
// The program's own string table. Only the message boxes of start-up use it;
// every other text comes from the language file.

constexpr int IDS_APP_TITLE = 1;       // "Telvane"
constexpr int IDS_NOT_RESPONDING = 10; // "Not responding"
constexpr int IDS_PORT_BUSY = 107;     // "Port is busy"
constexpr int IDS_LANGUAGE_UNREADABLE = 108;

// The string of that id; empty when the table has none.
const char* LoadStringResource(int id);
