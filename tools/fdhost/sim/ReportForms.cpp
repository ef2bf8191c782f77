// The specified form of each report's content: which keys, in which order. Keys a sender
// adds per item (a hub's ports, a monitor's addresses, a failed reset attempt) are matched
// by their pattern.
#include <cctype>
#include <map>
#include <regex>

#include <nlohmann/json.hpp>

#include "fdhost/sim/Checkers.h"

namespace fdhost::sim {

namespace {

enum class Form { Empty, EmptyWithItem, Keys };

struct ReportForm {
  Form form;
  const char* keys;  // a regular expression over the keys joined by spaces
};

const std::map<std::string, ReportForm>& Forms() {
  static const std::map<std::string, ReportForm> forms = {
      {"608001010", {Form::Keys, "firstStart WifiDriverVersion DriverVersion"}},
      {"608001011", {Form::Keys, "firstStart WifiDriverVersion WifiErrCode DriverVersion"}},
      {"608001013", {Form::Keys, "errorCode WifiDriverVersion DriverVersion"}},
      {"608001014", {Form::Keys, "firstStart gpio errorCode WifiDriverVersion DriverVersion"}},
      {"608001015", {Form::Keys, "firstStart result WifiDriverVersion DriverVersion"}},
      {"608001016", {Form::Keys, "firstStart clearFlag WifiDriverVersion DriverVersion"}},
      {"608005010", {Form::Empty, ""}},
      {"608005011", {Form::Empty, ""}},
      {"608005012", {Form::Empty, ""}},
      {"608005013", {Form::Empty, ""}},
      {"608005014", {Form::EmptyWithItem, ""}},
      {"609001033", {Form::Keys, "BtDriverVersion DriverVersion"}},
      {"609001034", {Form::Keys, "BtDriverVersion UsbErrCode DriverVersion"}},
      {"609001035", {Form::Keys, "BtDriverVersion BtErrCode DriverVersion"}},
      {"609001036",
       {Form::Keys,
        "BtDriverVersion (BtReHard|BtReHardInit|BtReHardInit RepairBtInUsb) DriverVersion"}},
      {"609001042", {Form::Keys, "DriverVersion"}},
      {"609001043", {Form::Keys, "DriverVersion"}},
      {"609001044", {Form::Keys, "(try1 )?(try2 )?(try3 )?trytime result times DriverVersion"}},
      {"609001045", {Form::Keys, "times DriverVersion"}},
      {"615001001",
       {Form::Keys,
        "Interface Firmware Model IsSSD DiskSize( Event7 Event7Numbers)?( Event51 "
        "Event51Numbers)?( Event161 Event161Numbers)?( Event11 Event11Numbers)?( Event49 "
        "Event49Numbers)?( [0-9]+)*"}},
      {"624000023", {Form::Keys, "result"}},
      {"627001001", {Form::Keys, "hubId( .*)? DriverVersion"}},
      {"627002001", {Form::Keys, "Numbers( Address[0-9]+)* DriverVersion"}},
      {"627003001", {Form::Keys, "reportId version"}},
      {"627003002", {Form::Keys, "version"}},
  };
  return forms;
}

bool IsDecimal(const std::string& text) {
  if (text.empty())
    return false;
  for (const char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c)))
      return false;
  }
  return true;
}

// The monitor report numbers its addresses from 0 and says how many there are.
std::string MonitorAddressProblem(const nlohmann::ordered_json& doc) {
  const std::string numbers = doc["Numbers"].get<std::string>();
  if (!IsDecimal(numbers) || std::stoul(numbers) + 2 != doc.size())
    return "\"Numbers\" is " + numbers + " but the content has " + std::to_string(doc.size()) +
           " keys";
  std::size_t index = 0;
  for (const auto& [key, value] : doc.items()) {
    if (key.rfind("Address", 0) == 0 && key != "Address" + std::to_string(index++))
      return "the addresses are not numbered in order at " + key;
  }
  return "";
}

}  // namespace

std::string ReportFormProblem(const std::string& eventId, const std::string& content,
                              const emu::Line& fields) {
  const auto form = Forms().find(eventId);
  if (form == Forms().end())
    return "event id " + eventId + " is not one the plug-in sends";
  const bool hasItem = fields.is_object() && fields.contains("0");
  switch (form->second.form) {
    case Form::Empty:
      return content.empty() && !hasItem ? "" : "content or numbered field where none belongs";
    case Form::EmptyWithItem:
      if (!content.empty())
        return "content where none belongs";
      if (!hasItem || !fields["0"].is_string() || !IsDecimal(fields["0"].get<std::string>()))
        return "no decimal numbered field 0";
      return "";
    case Form::Keys:
      break;
  }
  nlohmann::ordered_json doc;
  try {
    doc = nlohmann::ordered_json::parse(content);
  } catch (const nlohmann::json::exception&) {
    return "content is not JSON: " + content;
  }
  if (!doc.is_object())
    return "content is not a JSON object: " + content;
  std::string keys;
  for (const auto& [key, value] : doc.items()) {
    if (!value.is_string())
      return "value of \"" + key + "\" is not a text";
    keys += (keys.empty() ? "" : " ") + key;
  }
  static const auto patterns = [] {
    std::map<std::string, std::regex> compiled;
    for (const auto& [id, f] : Forms())
      compiled.emplace(id, std::regex(f.keys));
    return compiled;
  }();
  if (!std::regex_match(keys, patterns.at(eventId)))
    return "keys \"" + keys + "\" are not \"" + form->second.keys + "\"";
  if (eventId == "627002001")
    return MonitorAddressProblem(doc);
  return "";
}

}  // namespace fdhost::sim
