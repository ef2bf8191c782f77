#pragma once
// x3::NormalObject<T>: the reference-counted wrapper that the module's creator makes.
#include <atomic>

#include "hostapi/X3Object.h"
#include "plugin/InterfaceId.h"

namespace x3 {

template <class T>
class NormalObject final : public T {
 public:
  // Creates an object and hands it out when it supports the interface; null otherwise.
  static IObject* Create(std::uint32_t interfaceId) {
    auto* object = new NormalObject<T>();
    IObject* result = nullptr;
    object->QueryObject(interfaceId, &result);
    object->Release();
    if (!result)
      delete object;  // nobody can reach it: Release never destroys
    return result;
  }

  long AddRef() override { return ++refCount_; }
  // Never destroys the object, also not at 0: its owner deletes it.
  long Release() override { return --refCount_; }

  bool QueryObject(std::uint32_t interfaceId, IObject** out) override {
    if (interfaceId != x3plugin::VexPluginInterfaceId())
      return false;
    if (out) {
      *out = this;
      AddRef();
    }
    return true;
  }

  long RefCount() const { return refCount_.load(); }

 private:
  NormalObject() = default;
  std::atomic<long> refCount_{1};
};

}  // namespace x3
