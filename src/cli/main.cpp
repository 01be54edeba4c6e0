#include <unistd.h>

#include <iostream>

#include "cli/cli_command.h"
#include "model/panel_context.h"
#ifdef FAXRCP_WITH_SIM
#include "sim/simulated_machine.h"
#endif

int main(int argc, char** argv) {
#ifdef FAXRCP_WITH_SIM
    // "sim:" names the simulated machine inside this process.
    sim::RegisterSimDevice();
#endif
    // The panel context of this run: the port and libraries start-up finds,
    // the records the command reads and writes.
    PanelContext context;
    cli::Args args(argv + 1, argv + argc);
    cli::Io io{std::cout, std::cerr, &std::cin, ::isatty(STDIN_FILENO) == 1,
               ::isatty(STDOUT_FILENO) == 1};
    return cli::Main(args, io, context);
}
