#pragma once
// The host's JSON converter (Util library).
#include <string>
#include <utility>
#include <vector>

class JsonSdk {
 public:
  JsonSdk();
  ~JsonSdk();
  // A JSON object with the pairs as members, in list order, values as strings.
  std::string VectorToJson(const std::vector<std::pair<std::string, std::string>>& pairs);
};
