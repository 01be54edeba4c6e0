#include "model/panel_context.h"

#include <algorithm>
#include <iterator>

#include "link/port.h"
#include "model/lang_text.h"
#include "model/phonebook_ops.h"
#include "model/startup.h"
#include "platform/clock.h"
#include "platform/debug_output.h"

// The one process-wide mutable object of the panel.
PanelContext panelContext;

void PanelContext::Reset() {
    link.Reset();
    records.Reset();
    languageFilePath.clear();
    langText[0] = '\0';
    portType = 1;
    platform::InstallClock(nullptr);
    platform::InstallDebugSink(nullptr);
}

// The names of the routines, bound to the context.
int32_t& currentPort = panelContext.link.currentPort;
int32_t& isWin9x = panelContext.link.isWin9x;
int32_t& isNt5 = panelContext.link.isNt5;
platform::LibraryHandle& usbLibrary = panelContext.link.usbLibrary;
GetControlPortNameFn& pGetControlPortName = panelContext.link.pGetControlPortName;
Win2kUsbWriteFn& pWin2kUsbWrite = panelContext.link.pWin2kUsbWrite;
Win2kUsbReadFn& pWin2kUsbRead = panelContext.link.pWin2kUsbRead;
Win2kUsbReadWithinFn& pWin2kUsbReadWithin = panelContext.link.pWin2kUsbReadWithin;
ListControlPortsFn& pListControlPorts = panelContext.link.pListControlPorts;
SelectControlPortFn& pSelectControlPort = panelContext.link.pSelectControlPort;
char (&controlPortName)[256] = panelContext.link.controlPortName;
char (&usbWritePath)[256] = panelContext.link.usbWritePath;
char (&usbReadPath)[256] = panelContext.link.usbReadPath;
platform::LibraryHandle& arbitrationLibrary = panelContext.link.arbitrationLibrary;
ExchangeLimit& exchangeLimit = panelContext.link.exchangeLimit;

InquiryRecord& inquiryRecord = panelContext.records.inquiryRecord;
SystemSetup& systemSetup = panelContext.records.systemSetup;
SystemStatus& systemStatus = panelContext.records.systemStatus;
MachineInfo& machineInfo = panelContext.records.machineInfo;
PhonebookEntry*& PhonebookTable = panelContext.records.phonebookTable;
uint8_t*& groupRefCount = panelContext.records.groupRefCount;
int& phonebookSlotCount = panelContext.records.phonebookSlotCount;

std::string& languageFilePath = panelContext.languageFilePath;
int32_t& portType = panelContext.portType;
