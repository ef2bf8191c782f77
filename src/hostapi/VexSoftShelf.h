#pragma once
// The host's feature catalogue: which plug-ins and properties the product supports.
#include <string>

class CVexSoftShelf {
 public:
  static CVexSoftShelf& GetInstance();
  bool IsSupportPlugin(const std::string& pluginName);
  bool IsSupportProperty(const std::string& name, const std::string& property);

 private:
  CVexSoftShelf() = default;
};
