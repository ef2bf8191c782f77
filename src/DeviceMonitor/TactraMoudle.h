#pragma once
// The touchpad module: every error code the touchpad library reports becomes an event with
// the touchpad's firmware version; 100 codes within an hour stop the listening.
#include <cstdint>
#include <string>

class TactraMoudle {
 public:
  // Loads and starts the library and registers the callback; true when listening.
  static bool Start();
  // After each report: at the 100th, stops listening when the window is under an hour old.
  static void CheckReportFrequecy(const std::string& version);
  // The plug-in's stop: unregisters the callback (once it returns no callback runs) and
  // unloads the library.
  static void Stop();
};

// The library's callback, on its thread.
void OnTactraReport(std::uint32_t code);
