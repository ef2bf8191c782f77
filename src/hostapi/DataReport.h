#pragma once
// The host's data-report service (DataReport library).
#include <map>
#include <string>
#include <vector>

// The record of one event. The plug-in touches only mapExtra (numbered extra fields).
struct tagLogInfo {
  std::string strEventId;
  std::string strContent;
  std::string strProduct;
  std::string strVersion;
  std::string strTime;
  std::vector<std::string> vecTags;
  std::vector<std::string> vecAttachments;
  std::map<int, std::string> mapExtra;
};

class EventDataReport {
 public:
  static EventDataReport& Instance();

  tagLogInfo GetMsg(const std::string& eventId, const std::string& content);
  bool SendMsg(tagLogInfo& record);

 private:
  EventDataReport() = default;
};
