#pragma once
// File > Load Settings and File > Save Settings: the system setup and system
// status records, as the pages that hold them show them, to and from a
// settings file.

#include <QList>

class CPropertyPage;
class PageHost;
struct MachineRecords;

// records: those the pages show. Asks for a file name, brings the pages'
// records up to date (reading the machine for a record never read) and saves
// them. A failed save gets a
// message box and leaves an earlier file of that name as it was; a saved
// one a line on the host's status line.
void SaveSettingsCommand(PageHost& host, const QList<CPropertyPage*>& pages,
                         const MachineRecords& records);

// Asks for a settings file and puts it over the records: fields the file
// does not name keep what the pages show. The pages then show the records
// as changes to send with Apply; the machine is not written. A file with a
// wrong line changes nothing and gets a message box naming the lines.
void LoadSettingsCommand(PageHost& host, const QList<CPropertyPage*>& pages,
                         MachineRecords& records);
