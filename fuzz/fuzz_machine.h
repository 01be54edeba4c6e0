#pragma once
// What every fuzz target of a machine answer shares: the platform's waits on
// a virtual clock, trace output dropped, and a device behind the USB port
// whose reads hand out the fuzzer's bytes, so that the program's own
// exchange code (PortWrite, PortRead, the record parsers) runs on them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PanelContext;

namespace fuzz {

// Installs the clock, the sink and the device once per process and points the
// context's USB port at the device; call at the start of every input, with
// the input's own context.
void PrepareMachine(PanelContext& context);

// For the targets whose input is one byte, the most a read returns (0: no
// limit), then the machine's answer: prepares the machine with the records at
// their defaults and that answer. False for an empty input.
bool PrepareAnswer(PanelContext& context, const uint8_t* data, size_t size);

// The answer for the next reads: each read takes the next bytes, at most
// readLimit a read (0: as many as asked for). Writes are accepted whole and
// kept in written().
void SetAnswer(const uint8_t* data, size_t size, size_t readLimit);
const std::vector<uint8_t>& Written();

// Where the targets keep their scratch files: memory (/dev/shm) when it can
// be written, so that the disk does not set the pace; else $TMPDIR or /tmp.
std::string TempBase();

// Stops the process with a message: an invariant of the program broke.
[[noreturn]] void Fail(const char* what);

} // namespace fuzz
