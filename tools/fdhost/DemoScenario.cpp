// The built-in demo laptop: scenarios/demo-laptop-day.json, built into fdhost so that
// `fdhost run` plays it without the file. People copy and change the file itself.
#include "fdhost/DemoScenarioText.h"
#include "fdhost/HostRunner.h"

namespace fdhost {

emu::Scenario DemoScenario() {
  return emu::ParseScenario(kDemoScenarioText, "built-in demo laptop (demo-laptop-day.json)");
}

}  // namespace fdhost
