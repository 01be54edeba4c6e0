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

// A file descriptor, bytes unchanged; the descriptor stays the caller's.
class FdDebugSink : public DebugSink {
  public:
    explicit FdDebugSink(int fd) : fd_(fd) {}
    void write(std::string_view text) override;

  private:
    int fd_;
};

// Standard error, bytes unchanged.
class StderrDebugSink : public FdDebugSink {
  public:
    StderrDebugSink();
};

// Nowhere: the trace when nobody asked for it.
class NullDebugSink : public DebugSink {
  public:
    void write(std::string_view) override {}
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
