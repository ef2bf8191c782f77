#pragma once
// The virtual laptop's processes, on the virtual clock.
//
// A program is known by its executable's file name (letter case ignored) and described under
// "programs": { "NAME": { "runs_ms": N, "exit_code": 0, "start_error": 2, "starts": ["Setup.exe"] }
// }. Without "runs_ms" a started program ends at once, and one of "processes" runs until it is
// killed or the run ends ("runs_ms": null: a started one runs that long too); "start_error" makes
// CreateProcessW fail with that error; "starts" are programs it starts when it starts. The
// effect "start:NAME" applies when it starts, "exit:NAME" when it ends by itself. The names
// in "processes" run from t = 0.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace emu {

class ProcessTable {
 public:
  static ProcessTable& Instance();

  // A new run: the processes of the laptop's "processes" facts, nothing else.
  void Reset();
  // The end of a run: every process still running ends, without a line or an effect.
  void EndAll();

  // Starts the program of a command line (its first token, quoted or not). Returns the new
  // process id, or 0 with the Win32 error. The path the program was found at, when known,
  // goes into the transcript line.
  std::uint32_t Start(const std::string& commandLine, std::uint32_t& error,
                      const std::string& path = "");
  // Where CreateProcess finds the program: the application path when one is given; else the
  // command line's first token, searched as Windows searches a bare name: the host
  // executable's folder first, then the system folder.
  static std::string ProgramPath(const std::string& applicationPath,
                                 const std::string& commandLine);
  // Paths or names equal but for letter case.
  static bool SameName(const std::string& a, const std::string& b);
  bool IsRunning(std::uint32_t pid);

  enum class WaitResult { Ended, TimedOut, Stopping };
  // Waits for the process to end, up to timeoutMs (0xFFFFFFFF: no limit); a plug-in wait, so
  // it ends early when the module stops. An unknown process counts as ended.
  WaitResult Wait(std::uint32_t pid, std::uint32_t timeoutMs);

  struct Entry {
    std::uint32_t pid;
    std::string exe;
  };
  std::vector<Entry> Running();
  // Whether the laptop runs the program protected (its "protected" fact).
  static bool IsProtected(const std::string& exe);
  // Ends the running process with the exit code, without the effects of its own end; false
  // when no such process runs.
  bool Terminate(std::uint32_t pid, std::uint32_t exitCode);

  struct Process;

 private:
  ProcessTable() = default;
  std::uint32_t Launch(const std::string& exe, const std::string& commandLine, bool byRun,
                       const std::string& path = "");
  std::vector<std::shared_ptr<Process>> processes_;  // under the scheduler lock
  std::uint32_t nextPid_ = 1000;
};

// The executable's file name of a command line's first token: "\"C:\\a b\\x.exe\" /s" gives
// "x.exe".
std::string ExecutableOf(const std::string& commandLine);

}  // namespace emu
