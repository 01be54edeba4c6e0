#include "cli/cli_command.h"
#include "cli/cli_output.h"
#include "model/panel_context.h"
#include "protocol/inquiry.h"

namespace {

int RunInquiry(PanelContext& context, const cli::Args&, cli::Io& io) {
    const std::string port = cli::PortKind(context.link);
    const std::string device = cli::PortDevice(context.link);
    const int values[] = {context.records.inquiryRecord.machineClass,
                          context.records.inquiryRecord.capacityA,
                          context.records.inquiryRecord.capacityB};
    const char* names[] = {"machineClass", "capacityA", "capacityB"};
    if (io.options.json) {
        cli::Json object = cli::Json::Object();
        object.set("port", cli::Json::String(port));
        object.set("device", cli::Json::String(device));
        for (int i = 0; i < 3; ++i) {
            object.set(names[i], cli::Json::Number(values[i]));
        }
        object.write(io.out);
        return cli::kExitOk;
    }
    io.out << "port=" << port << "\n"
           << "device=" << cli::EscapeText(device) << "\n";
    for (int i = 0; i < 3; ++i) {
        io.out << names[i] << "=" << values[i] << "\n";
    }
    return cli::kExitOk;
}

const cli::Registrar inquiry({
    .words = {"inquiry"},
    .usage = "inquiry",
    .help = "Print the port in use and the inquiry record.",
    .run = RunInquiry,
    .json = true,
});

} // namespace
