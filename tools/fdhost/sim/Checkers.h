#pragma once
// The simulator's judges: each looks at one run (the scenario it played and its transcript)
// and says what, if anything, is wrong. They read only the transcript, so a planted line is
// judged exactly as a real one.
#include <set>
#include <string>
#include <vector>

#include "emu/Scenario.h"
#include "emu/Transcript.h"

namespace fdhost::sim {

struct Verdict {
  std::string checker;  // "answers", "reports", ...
  std::string detail;   // what was wrong, with the time
};

struct Judgement {
  std::vector<Verdict> failures;
  std::set<std::string> judged;  // the checkers that had something to look at
};

// Every checker that works from the transcript alone.
Judgement JudgeTranscript(const emu::Scenario& scenario, const std::vector<emu::Line>& transcript);

// The checkers' names, for the summary of a swarm (including those judged outside the
// transcript: crash, hang, deadlock, memory, replay).
const std::vector<std::string>& CheckerNames();

// The content of a report of the event id in its specified form; empty when it is, else what
// is wrong with it.
std::string ReportFormProblem(const std::string& eventId, const std::string& content,
                              const emu::Line& fields);

}  // namespace fdhost::sim
