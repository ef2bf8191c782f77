// Child processes for the swarm: the parent never loads the plug-in itself, so every child
// starts from the same clean state, as a fresh `fdhost run` would.
#include "fdhost/sim/Swarm.h"

#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "emu/Scenario.h"
#include "emu/Scheduler.h"
#include "fdhost/HostRunner.h"

namespace fdhost::sim {

namespace {

std::uint64_t Fnv1a(const std::string& text, std::uint64_t hash = 0xCBF29CE484222325ULL) {
  for (const unsigned char c : text)
    hash = (hash ^ c) * 0x100000001B3ULL;
  return hash;
}

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return;
    done += static_cast<std::size_t>(n);
  }
}

nlohmann::json VerdictsJson(const std::vector<Verdict>& failures) {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& v : failures)
    list.push_back({v.checker, v.detail});
  return list;
}

// In the child: play, judge and report to the parent through fd.
void PlayInChild(const nlohmann::json& doc, int fd, bool parallel) {
  ReportDeadlocksTo(fd);
  nlohmann::json result;
  try {
    const emu::Scenario scenario = emu::ParseScenario(doc.dump(), "generated scenario");
    RunOptions options;
    if (parallel)
      options.mode = emu::RunMode::Parallel;
    const RunResult run = RunScenario(scenario, options);
    const Judgement judged = JudgeTranscript(scenario, run.transcript);
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (const auto& line : run.transcript)
      hash = Fnv1a(line.dump() + "\n", hash);
    auto failures = VerdictsJson(judged.failures);
    // Not loading is the host's right answer to a load or entry lookup made to fail.
    const bool loadFailed =
        std::any_of(run.transcript.begin(), run.transcript.end(), [](const emu::Line& line) {
          return line["kind"] == "fault_injected" &&
                 (line["call"] == "LoadLibraryExA" || line["call"] == "GetProcAddress");
        });
    if (!run.ok && !run.error.empty() && !loadFailed)
      failures.push_back(
          nlohmann::json::array({"crash", "the plug-in was not loaded: " + run.error}));
    result = {{"failures", failures},
              {"judged", judged.judged},
              {"hash", hash},
              {"virtual_ms", run.transcript.empty() ? 0 : run.transcript.back().value("t_ms", 0)}};
  } catch (const std::exception& e) {
    const auto failure =
        nlohmann::json::array({"generator", std::string("not a valid scenario: ") + e.what()});
    result = {{"failures", nlohmann::json::array({failure})}};
  }
  WriteAll(fd, result.dump());
}

struct Child {
  pid_t pid = -1;
  int fd = -1;
  std::string output;
  std::chrono::steady_clock::time_point deadline;
  bool killed = false;
};

Child Start(const ChildBody& body, const RunLimits& limits) {
  int fds[2];
  if (::pipe(fds) != 0)
    throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
  const pid_t pid = ::fork();
  if (pid < 0)
    throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  if (pid == 0) {
    // The child leaves without the parent's exit handlers and static destructors.
    ::close(fds[0]);
    body(fds[1]);
    ::close(fds[1]);
    std::_Exit(0);
  }
  ::close(fds[1]);
  Child child;
  child.pid = pid;
  child.fd = fds[0];
  child.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.wallSeconds);
  return child;
}

RunOutcome Finish(Child& child, const RunLimits& limits) {
  int status = 0;
  rusage usage{};
  while (::wait4(child.pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  ::close(child.fd);
  RunOutcome outcome;
  outcome.maxRssKb = usage.ru_maxrss;
  if (child.killed) {
    outcome.failures.push_back(
        {"hang", "no end within " + std::to_string(limits.wallSeconds) + " s of wall time"});
    return outcome;
  }
  if (WIFSIGNALED(status)) {
    outcome.failures.push_back(
        {"crash", std::string("killed by signal ") + ::strsignal(WTERMSIG(status))});
    return outcome;
  }
  try {
    const auto result = nlohmann::json::parse(child.output);
    for (const auto& f : result.value("failures", nlohmann::json::array()))
      outcome.failures.push_back({f[0].get<std::string>(), f[1].get<std::string>()});
    for (const auto& name : result.value("judged", nlohmann::json::array()))
      outcome.judged.insert(name.get<std::string>());
    outcome.transcriptHash = result.value("hash", std::uint64_t{0});
    outcome.virtualMs = result.value("virtual_ms", std::int64_t{0});
    // A sanitizer that reports at exit (leaks; races when it does not halt) changes only the
    // exit status.
    if (outcome.failures.empty() && WEXITSTATUS(status) != 0)
      outcome.failures.push_back({"crash", "exit status " + std::to_string(WEXITSTATUS(status)) +
                                               " after its verdict (a report at exit?)"});
  } catch (const nlohmann::json::exception&) {
    outcome.failures.push_back({"crash", "exit status " + std::to_string(WEXITSTATUS(status)) +
                                             " without a verdict: " + child.output.substr(0, 300)});
  }
  outcome.judged.insert("memory");
  if (outcome.maxRssKb > limits.memoryKb) {
    outcome.failures.push_back({"memory", std::to_string(outcome.maxRssKb / 1024) +
                                              " MB resident (limit " +
                                              std::to_string(limits.memoryKb / 1024) + " MB)"});
  }
  return outcome;
}

}  // namespace

void ReportDeadlocksTo(int fd) {
  emu::Scheduler::Instance().SetDeadlockHandler([fd](const std::string& report, std::int64_t) {
    const auto failure = nlohmann::json::array({"deadlock", report});
    WriteAll(fd, nlohmann::json{{"failures", nlohmann::json::array({failure})}}.dump());
    std::_Exit(3);
  });
}

void CompareReplay(RunOutcome& first, const RunOutcome& second) {
  first.judged.insert("replay");
  if (first.failures.empty() && second.failures.empty() &&
      first.transcriptHash != second.transcriptHash)
    first.failures.push_back({"replay", "a second play of the seed gave another transcript"});
}

std::string FirstFailure(const RunOutcome& outcome) {
  return outcome.failures.empty() ? "" : outcome.failures.front().checker;
}

namespace {

void RunBodies(const std::vector<ChildBody>& bodies, int jobs, const RunLimits& limits,
               const std::function<void(std::size_t, const RunOutcome&)>& done) {
  std::map<std::size_t, Child> running;
  std::size_t next = 0;
  while (next < bodies.size() || !running.empty()) {
    while (next < bodies.size() && static_cast<int>(running.size()) < std::max(jobs, 1)) {
      running.emplace(next, Start(bodies[next], limits));
      ++next;
    }
    std::vector<pollfd> polls;
    std::vector<std::size_t> order;
    for (auto& [index, child] : running) {
      polls.push_back({child.fd, POLLIN, 0});
      order.push_back(index);
    }
    ::poll(polls.data(), polls.size(), 200);
    const auto now = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < polls.size(); ++i) {
      Child& child = running.at(order[i]);
      bool ended = false;
      if (polls[i].revents & (POLLIN | POLLHUP | POLLERR)) {
        char buffer[65536];
        const ssize_t n = ::read(child.fd, buffer, sizeof buffer);
        if (n > 0)
          child.output.append(buffer, static_cast<std::size_t>(n));
        ended = n == 0 || (n < 0 && errno != EINTR);
      }
      if (!ended && now > child.deadline) {
        ::kill(child.pid, SIGKILL);
        child.killed = true;
        ended = true;
      }
      if (ended) {
        const RunOutcome outcome = Finish(child, limits);
        running.erase(order[i]);
        done(order[i], outcome);
      }
    }
  }
}

}  // namespace

void RunMany(const std::vector<nlohmann::json>& scenarios, int jobs, const RunLimits& limits,
             const std::function<void(std::size_t, const RunOutcome&)>& done) {
  // Each scenario goes to its child as a file; the verdict comes back on descriptor 3.
  std::vector<std::string> files;
  std::vector<ChildBody> bodies;
  for (const auto& doc : scenarios) {
    char path[] = "/tmp/fdhost-sim-XXXXXX";
    const int file = ::mkstemp(path);
    if (file < 0)
      throw std::runtime_error(std::string("mkstemp: ") + std::strerror(errno));
    WriteAll(file, doc.dump());
    ::close(file);
    files.emplace_back(path);
    bodies.push_back([&limits, path = files.back()](int fd) {
      if (fd != 3) {
        ::dup2(fd, 3);
        ::close(fd);
      }
      ::execl(limits.fdhost.c_str(), "fdhost", "sim-child", path.c_str(), "3",
              limits.parallel ? "parallel" : "serial", static_cast<char*>(nullptr));
      std::_Exit(127);
    });
  }
  RunBodies(bodies, jobs, limits, done);
  for (const auto& path : files)
    ::unlink(path.c_str());
}

int PlayScenarioChild(const std::string& path, int fd, bool parallel) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  nlohmann::json doc;
  try {
    doc = nlohmann::json::parse(text.str());
  } catch (const nlohmann::json::exception& e) {
    std::cerr << "fdhost sim-child: " << path << ": " << e.what() << "\n";
    return 2;
  }
  PlayInChild(doc, fd, parallel);
  ::close(fd);
  return 0;
}

RunOutcome RunChild(const ChildBody& body, const RunLimits& limits) {
  RunOutcome result;
  RunBodies({body}, 1, limits, [&result](std::size_t, const RunOutcome& o) { result = o; });
  return result;
}

RunOutcome RunIsolated(const nlohmann::json& scenario, const RunLimits& limits) {
  RunOutcome result;
  RunMany({scenario}, 1, limits, [&result](std::size_t, const RunOutcome& o) { result = o; });
  return result;
}

}  // namespace fdhost::sim
