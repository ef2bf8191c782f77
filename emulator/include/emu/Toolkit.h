#pragma once
// The host's window toolkit as the emulator runs it: which of its windows are alive, the
// pop-up client that shows a window when asked over the bus, and what a person does to a
// window (click, key, menu choice). Each change a person would see is a "ui" line.
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "emu/Bus.h"

namespace emu {

class Toolkit {
 public:
  // Toolkit windows still alive ("FixRemindDlg"): their code belongs to whoever made them.
  static std::vector<std::string> LiveWindows();
  // What a person does, as a scenario's "ui" input gives it; done on the UI thread.
  static void Act(const nlohmann::json& action);
  // Checks a "ui" input; the text says what is wrong, empty when nothing is.
  static std::string CheckAction(const nlohmann::json& action);
  // Forgets what an earlier run left (between scenario runs).
  static void Reset();
  // The host's pop-up client 0x40000: a pop-up request (message 0x40003) names a window by
  // its object's address; the client creates the window if need be and shows it.
  static std::unique_ptr<BusEndpoint> JoinPopupClient();
  // The transcript's copy of a pop-up request: the window object's address, wherever the
  // request carries it, as the transcript's stable number for it (the bus carries the
  // address itself). Other messages are left as they are; true when one was changed.
  static bool StabilizePopupRequest(BusMessage& copy);
};

}  // namespace emu
