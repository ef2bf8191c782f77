#pragma once
// The x3 plug-in protocol's object interfaces.
#include <cstdint>

namespace x3 {

class IObject {
 public:
  virtual ~IObject() = default;
  virtual long AddRef() = 0;
  virtual long Release() = 0;
  // Stores this object in out and adds a reference when it supports the interface.
  virtual bool QueryObject(std::uint32_t interfaceId, IObject** out) = 0;
  virtual const char* GetClassId() const = 0;
  virtual const char* GetClassTypeName() const = 0;
};

}  // namespace x3

class IVexPlugin : public x3::IObject {
 public:
  virtual bool Init() = 0;
  virtual void Uninit() = 0;
  virtual bool Reserved1() = 0;
  virtual bool Reserved2() = 0;
};
