#include "cli/cli_command.h"
#include "link/port.h"
#include "protocol/inquiry.h"

namespace {

int RunInquiry(const cli::Args&, cli::Io& io) {
    const char* port = currentPort >= 0 && currentPort < kPortCount ? PortTable[currentPort] : "";
    io.out << "port=" << port << "\n"
           << "machineClass=" << static_cast<int>(inquiryRecord.machineClass) << "\n"
           << "capacityA=" << static_cast<int>(inquiryRecord.capacityA) << "\n"
           << "capacityB=" << static_cast<int>(inquiryRecord.capacityB) << "\n";
    return cli::kExitOk;
}

const cli::Registrar inquiry({
    .words = {"inquiry"},
    .usage = "inquiry",
    .help = "Print the port in use and the machine's inquiry record.",
    .run = RunInquiry,
});

} // namespace
