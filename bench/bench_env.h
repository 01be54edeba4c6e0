#pragma once
// Shared set-up of the benchmarks: a scratch folder for the profile and the
// port lock, the program's own folder (language files, stand-in libraries),
// faxrcp-sim on a socket, and the program's start-up against a machine.

#include <sys/types.h>

#include <cstdint>
#include <string>

struct PanelContext;

namespace bench {

// A folder that lives as long as the process; XDG_CONFIG_HOME and
// FAXRCP_LOCK_DIR point there.
const std::string& Scratch();

// Runs the program's start-up (port detection, language file, inquiry) as
// faxrcp does, with FAXRCP_USB_PORT=port; false when no main window would open.
bool StartProgram(const std::string& port);
void StopProgram();
// The started program's context: its link and records.
PanelContext& ProgramContext();

// The machine's commands on the started program's link and records.
int Inquiry();
int GetSettings();
int SetSettings();
int GetSystemStatus();
int SetSystemStatus();
int GetMachineInfo();
int GetPhonebook();
int SetPhonebook();

// faxrcp-sim serving a machine on a socket in the scratch folder.
class SimProcess {
  public:
    explicit SimProcess(const std::string& extraArgs = "");
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool running() const { return pid_ > 0; }
    const std::string& socket() const { return socket_; }
    pid_t pid() const { return pid_; }

  private:
    std::string socket_;
    pid_t pid_ = -1;
};

// Processor time (user + system) of this process, in microseconds.
int64_t ProcessCpuMicros();
// Processor time of another process so far (/proc/PID/stat), in microseconds.
int64_t OtherProcessCpuMicros(pid_t pid);
int64_t WallMicros();

} // namespace bench
