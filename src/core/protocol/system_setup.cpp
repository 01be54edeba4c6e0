#include "protocol/system_setup.h"

#include "protocol/record_table.h"

void SetSystemSetupDefaults(SystemSetup& systemSetup) {
    systemSetup = SystemSetup{};
    systemSetup.discardSize = 10;
    systemSetup.contrast = 1;
    systemSetup.documentMode = 1;
    systemSetup.zoom = 100;
    systemSetup.copies = 1;
    systemSetup.printTimeOut = 1;
    systemSetup.receiveMode = 1;
    systemSetup.reservedSetup15 = 9;
    systemSetup.autoJournal = 1;
    systemSetup.rxReduction = 1;
    systemSetup.ringCount = 2;
    systemSetup.redialInterval = 3;
    systemSetup.redialCount = 3;
    systemSetup.sendingConfirm = 2;
}

void EncodeSystemSetup(const SystemSetup& setup, uint8_t* block) {
    EncodeFields(kSetupRecord, &setup, block);
}

int Mfp_GetSettings(LinkState& link, SystemSetup& setup) {
    return GetRecord(link, kSetupRecord, &setup);
}

int Mfp_SetSettings(LinkState& link, const SystemSetup& setup) {
    return SetRecord(link, kSetupRecord, &setup);
}
