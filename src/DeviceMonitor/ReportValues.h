#pragma once
// Values as the detectors' reports write them.
#include <string>

#include "hostapi/StringConv.h"
#include "ipc/DispatcherState.h"

namespace detector {

inline std::string Flag(bool value) {
  return value ? "1" : "0";
}

inline std::string WifiVersionText() {
  return StringProc::WStringToString(dispatcher::WifiDriverVersion());
}

inline std::string BtVersionText() {
  return StringProc::WStringToString(dispatcher::BtDriverVersion());
}

}  // namespace detector
