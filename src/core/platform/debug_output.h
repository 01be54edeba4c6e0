#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Receives each trace line exactly as the program wrote it.
class DebugSink {
  public:
    virtual ~DebugSink() = default;
    virtual void write(std::string_view text) = 0;
};

// Standard error, bytes unchanged.
class StderrDebugSink : public DebugSink {
  public:
    void write(std::string_view text) override;
};

// Test double: keeps every line for exact comparison.
class CapturingDebugSink : public DebugSink {
  public:
    void write(std::string_view text) override { lines.emplace_back(text); }
    std::string joined() const;
    std::vector<std::string> lines;
};

// Installs a sink process-wide; nullptr puts standard error back. Returns
// the sink it replaces, so that a caller can put it back.
DebugSink* InstallDebugSink(DebugSink* sink);

// One call per trace line.
void OutputDebugString(std::string_view text);

} // namespace platform
