// The link and the protocol on their own, without the model: the inquiry and
// a settings read against the simulated machine, through a link and records
// this program owns. Exit status 0 when both were answered.
#include <cstdio>

#include "link/link_state.h"
#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/virtual_clock.h"
#include "protocol/machine_record.h"
#include "sim/simulated_machine.h"

int main() {
    platform::VirtualClock clock; // the fixed waits take no time
    platform::NullDebugSink quiet;
    platform::InstallClock(&clock);
    platform::InstallDebugSink(&quiet);
    sim::RegisterSimDevice();
    sim::InProcessMachine().setMachineClass(3);

    LinkState link;
    std::snprintf(link.usbWritePath, sizeof link.usbWritePath, "sim:");
    std::snprintf(link.usbReadPath, sizeof link.usbReadPath, "sim:");
    MachineRecords records;
    SetMachineRecordDefaults(records);
    records.systemSetup.copies = 0;
    const bool answered =
        Mfp_Inquiry(link, records.inquiryRecord) == 1 && records.inquiryRecord.machineClass == 3 &&
        Mfp_GetSettings(link, records.systemSetup) == 1 && records.systemSetup.copies != 0;

    sim::UnregisterSimDevice();
    platform::InstallDebugSink(nullptr);
    platform::InstallClock(nullptr);
    std::puts(answered ? "answered" : "not answered");
    return answered ? 0 : 1;
}
