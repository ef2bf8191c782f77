// WMI over COM (wbemcli): the locator's connection to a namespace, WQL queries, and objects
// read into named properties. COM is initialised (multithreaded) on the calling thread for as
// long as the connection lives, when that thread has not done so itself.
#include <memory>

#include "platform/Wmi.h"

#include "Win32.h"
// After <windows.h>.
#include <oleauto.h>
#include <wbemcli.h>

namespace platform {

namespace {

template <class Interface>
struct ComPtr {
  Interface* p = nullptr;
  ComPtr() = default;
  explicit ComPtr(Interface* owned) : p(owned) {}
  ~ComPtr() {
    if (p)
      p->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
};

WmiValue ValueOf(const VARIANT& v) {
  WmiValue value;
  switch (v.vt) {
    case VT_BSTR:
      value.kind = WmiValue::Kind::Text;
      value.text.assign(v.bstrVal, SysStringLen(v.bstrVal));
      break;
    case VT_BOOL:
      value.kind = WmiValue::Kind::Integer;
      value.integer = v.boolVal ? 1 : 0;
      break;
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_INT:
    case VT_UINT: {
      VARIANT wide;
      VariantInit(&wide);
      if (SUCCEEDED(VariantChangeType(&wide, const_cast<VARIANT*>(&v), 0, VT_I8))) {
        value.kind = WmiValue::Kind::Integer;
        value.integer = wide.llVal;
      }
      break;
    }
    case VT_ARRAY | VT_UI1: {
      void* data = nullptr;
      LONG low = 0, high = -1;
      SafeArrayGetLBound(v.parray, 1, &low);
      SafeArrayGetUBound(v.parray, 1, &high);
      if (high >= low && SUCCEEDED(SafeArrayAccessData(v.parray, &data))) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        value.bytes.assign(bytes, bytes + (high - low + 1));
        SafeArrayUnaccessData(v.parray);
      }
      value.kind = WmiValue::Kind::Bytes;
      break;
    }
    default:
      break;  // VT_NULL, and kinds the plug-in does not read
  }
  return value;
}

WmiObject ObjectOf(IWbemClassObject& source) {
  WmiObject object;
  if (FAILED(source.BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY)))
    return object;
  BSTR name = nullptr;
  VARIANT value;
  VariantInit(&value);
  while (source.Next(0, &name, &value, nullptr, nullptr) == WBEM_S_NO_ERROR) {
    object[std::wstring(name, SysStringLen(name))] = ValueOf(value);
    SysFreeString(name);
    VariantClear(&value);
  }
  source.EndEnumeration();
  return object;
}

class ComEnumerator : public WmiEnumerator {
 public:
  explicit ComEnumerator(IEnumWbemClassObject* e) : e_(e) {}
  HRESULT Next(std::uint32_t timeoutMs, WmiObject& object) override {
    IWbemClassObject* next = nullptr;
    ULONG returned = 0;
    const ::HRESULT hr = e_.p->Next(static_cast<LONG>(timeoutMs), 1, &next, &returned);
    if (hr != WBEM_S_NO_ERROR || returned == 0)
      return hr == WBEM_S_NO_ERROR ? WBEM_S_FALSE : hr;
    ComPtr<IWbemClassObject> owned(next);
    object = ObjectOf(*next);
    return S_OK;
  }

 private:
  ComPtr<IEnumWbemClassObject> e_;
};

class ComConnection : public WmiConnection {
 public:
  ComConnection(IWbemServices* services, bool uninitialize)
      : services_(services), uninitialize_(uninitialize) {}
  ~ComConnection() override {
    if (services_.p)
      services_.p->Release();
    services_.p = nullptr;
    if (uninitialize_)
      CoUninitialize();
  }
  HRESULT ExecQuery(const std::wstring& query, std::unique_ptr<WmiEnumerator>& result) override {
    BSTR language = SysAllocString(L"WQL");
    BSTR text = SysAllocString(query.c_str());
    IEnumWbemClassObject* e = nullptr;
    const ::HRESULT hr = services_.p->ExecQuery(
        language, text, WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY, nullptr, &e);
    SysFreeString(language);
    SysFreeString(text);
    if (SUCCEEDED(hr))
      result = std::make_unique<ComEnumerator>(e);
    return hr;
  }
  IWbemServices* Services() { return services_.p; }

 private:
  ComPtr<IWbemServices> services_;
  bool uninitialize_;
};

}  // namespace

HRESULT CoInitializeSecurityDefault(DWORD authenticationLevel, DWORD impersonationLevel) {
  return ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, authenticationLevel,
                                impersonationLevel, nullptr, EOAC_NONE, nullptr);
}

HRESULT WmiConnectServer(const std::wstring& wmiNamespace, std::unique_ptr<WmiConnection>& result) {
  const ::HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  const bool uninitialize = SUCCEEDED(init);  // S_OK or S_FALSE: one CoUninitialize each
  IWbemLocator* locator = nullptr;
  ::HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWbemLocator, reinterpret_cast<void**>(&locator));
  if (FAILED(hr)) {
    if (uninitialize)
      CoUninitialize();
    return hr;
  }
  ComPtr<IWbemLocator> ownedLocator(locator);
  BSTR name = SysAllocString(wmiNamespace.c_str());
  IWbemServices* services = nullptr;
  hr = locator->ConnectServer(name, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services);
  SysFreeString(name);
  if (FAILED(hr)) {
    if (uninitialize)
      CoUninitialize();
    return hr;
  }
  result = std::make_unique<ComConnection>(services, uninitialize);
  return S_OK;
}

HRESULT CoSetProxyBlanketDefault(WmiConnection& connection, DWORD authnService, DWORD authnLevel,
                                 DWORD impersonationLevel) {
  auto* com = dynamic_cast<ComConnection*>(&connection);
  if (!com)
    return E_INVALIDARG;
  return ::CoSetProxyBlanket(com->Services(), authnService, RPC_C_AUTHZ_NONE, nullptr, authnLevel,
                             impersonationLevel, nullptr, EOAC_NONE);
}

}  // namespace platform
