#pragma once
// WMI over COM: a connection to a namespace, WQL queries and their enumerators. Objects come
// back as named properties.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

namespace platform {

using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT WBEM_S_FALSE = 1;
constexpr HRESULT WBEM_S_TIMEDOUT = 0x40004;
constexpr HRESULT WBEM_E_FAILED = static_cast<HRESULT>(0x80041001);
constexpr HRESULT WBEM_E_INVALID_QUERY = static_cast<HRESULT>(0x80041017);
constexpr HRESULT WBEM_E_INVALID_NAMESPACE = static_cast<HRESULT>(0x8004100E);

// One property of a WMI object: VT_BSTR, an integer, a byte array, or VT_NULL.
struct WmiValue {
  enum class Kind { Null, Text, Integer, Bytes } kind = Kind::Null;
  std::wstring text;
  std::int64_t integer = 0;
  std::vector<std::uint8_t> bytes;
};

using WmiObject = std::map<std::wstring, WmiValue>;

class WmiEnumerator {
 public:
  virtual ~WmiEnumerator() = default;
  // IEnumWbemClassObject::Next for one object: S_OK, WBEM_S_FALSE at the end, or
  // WBEM_S_TIMEDOUT when none came within the time-out.
  virtual HRESULT Next(std::uint32_t timeoutMs, WmiObject& object) = 0;
};

class WmiConnection {
 public:
  virtual ~WmiConnection() = default;
  // IWbemServices::ExecQuery("WQL", query, WBEM_FLAG_RETURN_IMMEDIATELY | FORWARD_ONLY).
  virtual HRESULT ExecQuery(const std::wstring& query, std::unique_ptr<WmiEnumerator>& result) = 0;
};

// CoInitializeSecurity with default authentication, the given levels; the result.
HRESULT CoInitializeSecurityDefault(DWORD authenticationLevel, DWORD impersonationLevel);
// CoCreateInstance(CLSID_WbemLocator) and IWbemLocator::ConnectServer(namespace).
HRESULT WmiConnectServer(const std::wstring& wmiNamespace, std::unique_ptr<WmiConnection>& result);
// CoSetProxyBlanket on the connection.
HRESULT CoSetProxyBlanketDefault(WmiConnection& connection, DWORD authnService, DWORD authnLevel,
                                 DWORD impersonationLevel);

}  // namespace platform
