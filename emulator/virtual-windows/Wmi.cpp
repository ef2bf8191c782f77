// WMI over the virtual laptop. "\\\\.\\root\\cimv2" holds the controllers of "controllers"
// ({"ide"|"scsi"|"usb": [{Name, DeviceID, devices: [{Name, DeviceID}]}]}), Win32_DiskDrive
// from "disks" (each disk's "wmi" object overrides the derived properties; "wmi": false hides
// it) and the PnP and SCSI controller associations of the disks; "\\\\.\\root\\WMI" holds the
// failure-predict classes of disks with "failure_predict": true.
#include <algorithm>
#include <cctype>

#include "emu/DiskImages.h"
#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "hostapi/StringConv.h"
#include "platform/Text.h"
#include "platform/Wmi.h"

namespace platform {

namespace {

using nlohmann::json;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return text;
}

WmiValue Text(const std::string& text) {
  WmiValue v;
  v.kind = WmiValue::Kind::Text;
  v.text = platform::Utf8ToWide(text);
  return v;
}

WmiValue Value(const json& value) {
  WmiValue v;
  if (value.is_string())
    return Text(value.get<std::string>());
  if (value.is_number_integer()) {
    v.kind = WmiValue::Kind::Integer;
    v.integer = value.get<std::int64_t>();
  }
  return v;
}

WmiObject ObjectOf(const json& properties) {
  WmiObject object;
  for (auto& [key, value] : properties.items()) {
    if (!value.is_object() && !value.is_array())
      object[platform::Utf8ToWide(key)] = Value(value);
  }
  return object;
}

std::int64_t Number(const json& disk, const char* key, std::int64_t fallback) {
  return disk.contains(key) ? emu::ParseNumber(disk[key]) : fallback;
}

// Win32_DiskDrive properties of a disk: derived from the disk, then its "wmi" overrides.
json DiskDrive(const json& disk) {
  const int number = static_cast<int>(Number(disk, "number", 0));
  const bool nvme = disk.value("kind", "ata") == "nvme";
  const std::string model = disk.value("model", nvme ? "Velmora NVMe SSD" : "Velmora Disk");
  json p = {{"DeviceID", "\\\\.\\PHYSICALDRIVE" + std::to_string(number)},
            {"Model", model},
            {"FirmwareRevision", disk.value("firmware", "1.0")},
            {"Size", std::to_string(Number(disk, "sectors", 976773168) * 512)},
            {"SCSIPort", Number(disk, "scsi_port", 0)},
            {"SCSITargetId", Number(disk, "scsi_target", number)},
            {"SCSIBus", 0},
            {"MediaType", "Fixed hard disk media"},
            {"InterfaceType", nvme ? "SCSI" : "IDE"},
            {"PNPDeviceID", (nvme ? "SCSI\\DISK&VEN_NVME&PROD_" : "SCSI\\DISK&VEN_&PROD_") +
                                std::to_string(number) + "\\4&1A2B3C4D&0&00000" +
                                std::to_string(number)}};
  if (disk.contains("wmi") && disk["wmi"].is_object())
    p.merge_patch(disk["wmi"]);
  return p;
}

std::vector<json> Disks() {
  std::vector<json> out;
  const json disks = emu::Laptop::Instance().Json(emu::FactOf("disks", emu::FactType::List));
  if (!disks.is_array())
    return out;
  for (const auto& d : disks) {
    if (!d.contains("wmi") || !d["wmi"].is_boolean() || d["wmi"].get<bool>())
      out.push_back(d);
  }
  return out;
}

class ListEnumerator : public WmiEnumerator {
 public:
  ListEnumerator(std::vector<WmiObject> objects, bool timesOut)
      : objects_(std::move(objects)), timesOut_(timesOut) {}
  HRESULT Next(std::uint32_t, WmiObject& object) override {
    if (timesOut_)
      return WBEM_S_TIMEDOUT;
    if (next_ >= objects_.size())
      return WBEM_S_FALSE;
    object = objects_[next_++];
    return S_OK;
  }

 private:
  std::vector<WmiObject> objects_;
  std::size_t next_ = 0;
  bool timesOut_;
};

// The quoted id of "{Class.DeviceID=\"...\"}", with the doubled backslashes made single
// when undouble is set.
std::string QuotedId(const std::string& query, bool undouble) {
  const auto eq = query.find('=');
  if (eq == std::string::npos || eq + 1 >= query.size())
    return "";
  const char quote = query[eq + 1];
  const auto end = query.find(quote, eq + 2);
  if ((quote != '"' && quote != '\'') || end == std::string::npos)
    return "";
  std::string id = query.substr(eq + 2, end - eq - 2);
  if (!undouble)
    return id;
  std::string single;
  for (std::size_t i = 0; i < id.size(); ++i) {
    single.push_back(id[i]);
    if (id[i] == '\\' && i + 1 < id.size() && id[i + 1] == '\\')
      ++i;
  }
  return single;
}

class Connection : public WmiConnection {
 public:
  explicit Connection(bool cimv2) : cimv2_(cimv2) {}

  HRESULT ExecQuery(const std::wstring& wql, std::unique_ptr<WmiEnumerator>& result) override {
    if (const auto error =
            emu::InjectedFault(emu::FaultOf("ExecQuery"), [&] { return DE::UnicodeToUTF8(wql); }))
      return static_cast<HRESULT>(*error);
    const std::string query = DE::UnicodeToUTF8(wql);
    const std::string lower = Lower(query);
    std::vector<WmiObject> objects;
    std::string cls;
    if (lower.rfind("select ", 0) == 0) {
      const auto from = lower.find(" from ");
      if (from == std::string::npos)
        return WBEM_E_INVALID_QUERY;
      cls = lower.substr(from + 6);
      cls = cls.substr(0, cls.find(' '));
      if (!Select(cls, objects))
        return WBEM_E_INVALID_QUERY;
    } else if (lower.rfind("associators of {", 0) == 0) {
      cls = lower.substr(16, lower.find('.') - 16);
      const std::string id = QuotedId(query, true);
      if (!Associators(cls, id, QuotedId(query, false), lower, objects))
        return WBEM_E_INVALID_QUERY;
    } else {
      return WBEM_E_INVALID_QUERY;
    }
    json timeouts =
        emu::Laptop::Instance().Json(emu::FactOf("wmi.timeout_classes", emu::FactType::Texts));
    bool timesOut = false;
    if (timeouts.is_array()) {
      for (const auto& t : timeouts)
        timesOut |= t.is_string() && Lower(t.get<std::string>()) == cls;
    }
    result = std::make_unique<ListEnumerator>(std::move(objects), timesOut);
    return S_OK;
  }

 private:
  static std::vector<json> Controllers(const std::string& kind) {
    const json list = emu::Laptop::Instance().Get("controllers." + kind);
    return list.is_array() ? std::vector<json>(list.begin(), list.end()) : std::vector<json>();
  }

  bool Select(const std::string& cls, std::vector<WmiObject>& objects) {
    static const std::map<std::string, std::string> controllers = {{"win32_idecontroller", "ide"},
                                                                   {"win32_scsicontroller", "scsi"},
                                                                   {"win32_usbcontroller", "usb"}};
    if (cimv2_ && controllers.count(cls)) {
      for (const auto& c : Controllers(controllers.at(cls)))
        objects.push_back(ObjectOf(c));
      return true;
    }
    if (cimv2_ && cls == "win32_diskdrive") {
      for (const auto& d : Disks())
        objects.push_back(ObjectOf(DiskDrive(d)));
      return true;
    }
    const bool data = cls == "msstoragedriver_failurepredictdata";
    if (!cimv2_ && (data || cls == "msstoragedriver_failurepredictthresholds")) {
      for (const auto& d : Disks()) {
        if (!d.value("failure_predict", false))
          continue;
        WmiObject o;
        o[L"InstanceName"] = Text(DiskDrive(d)["PNPDeviceID"].get<std::string>() + "_0");
        WmiValue bytes;
        bytes.kind = WmiValue::Kind::Bytes;
        bytes.bytes = data ? emu::BuildSmartData(d) : emu::BuildSmartThresholds(d);
        o[L"VendorSpecific"] = bytes;
        objects.push_back(o);
      }
      return true;
    }
    return false;
  }

  bool Associators(const std::string& cls, const std::string& id, const std::string& rawId,
                   const std::string& lower, std::vector<WmiObject>& objects) {
    if (!cimv2_)
      return false;
    static const std::map<std::string, std::string> controllers = {{"win32_idecontroller", "ide"},
                                                                   {"win32_scsicontroller", "scsi"},
                                                                   {"win32_usbcontroller", "usb"}};
    if (controllers.count(cls)) {
      for (const auto& c : Controllers(controllers.at(cls))) {
        if (c.value("DeviceID", "") != id)
          continue;
        for (const auto& device : c.value("devices", json::array()))
          objects.push_back(ObjectOf(device));
      }
      return true;
    }
    if (cls == "win32_diskdrive" &&
        lower.find("resultclass=win32_pnpentity") != std::string::npos) {
      for (const auto& d : Disks()) {
        const json p = DiskDrive(d);
        const std::string deviceId = Lower(p["DeviceID"].get<std::string>());
        if (deviceId == Lower(id) || deviceId == Lower(rawId)) {
          objects.push_back(ObjectOf({{"DeviceID", p["PNPDeviceID"]}}));
        }
      }
      return true;
    }
    if (cls == "win32_pnpentity" &&
        lower.find("assocclass=win32_scsicontrollerdevice") != std::string::npos) {
      for (const auto& d : Disks()) {
        if (DiskDrive(d)["PNPDeviceID"] == id && d.contains("controller_id")) {
          objects.push_back(ObjectOf({{"DeviceID", d["controller_id"]}}));
        }
      }
      return true;
    }
    return false;
  }

  bool cimv2_;
};

}  // namespace

HRESULT CoInitializeSecurityDefault(DWORD, DWORD) {
  return S_OK;
}

HRESULT WmiConnectServer(const std::wstring& wmiNamespace, std::unique_ptr<WmiConnection>& result) {
  if (const auto error =
          emu::Laptop::Instance().Int(emu::FactOf("wmi.connect_error", emu::FactType::Integer))) {
    return static_cast<HRESULT>(error);
  }
  const std::string ns = Lower(DE::UnicodeToUTF8(wmiNamespace));
  if (const auto error = emu::InjectedFault(emu::FaultOf("WmiConnectServer"), ns))
    return static_cast<HRESULT>(*error);
  if (ns != "\\\\.\\root\\cimv2" && ns != "\\\\.\\root\\wmi" && ns != "root\\wmi") {
    return WBEM_E_INVALID_NAMESPACE;
  }
  result = std::make_unique<Connection>(ns == "\\\\.\\root\\cimv2");
  return S_OK;
}

HRESULT CoSetProxyBlanketDefault(WmiConnection&, DWORD, DWORD, DWORD) {
  return S_OK;
}

}  // namespace platform
