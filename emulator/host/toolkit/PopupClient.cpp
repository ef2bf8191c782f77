// The host's pop-up client 0x40000. A pop-up request (message 0x40003) of kind 4 carries the
// address of a toolkit window object; the client creates that window if it has none yet and
// shows it, on the UI thread. Only a window object the toolkit knows as alive is touched.
#include <cstring>

#include "ToolkitState.h"
#include "emu/Toolkit.h"

namespace emu {

namespace {

constexpr std::uint32_t kPopupClient = 0x40000;
constexpr std::uint32_t kPopupMessage = 0x40003;
constexpr std::size_t kKindFourSize = 35;
constexpr std::size_t kKindOffset = 2;
constexpr std::size_t kWindowOffset = 27;
// The two owner fields and the kind value: wherever a window address may stand.
constexpr std::size_t kAddressOffsets[] = {6, 14, kWindowOffset};

bool IsKindFour(const BusMessage& message) {
  const auto& p = message.payload;
  std::uint32_t kind = 0;
  if (p.size() >= kKindFourSize)
    std::memcpy(&kind, p.data() + kKindOffset, sizeof kind);
  return message.msg == kPopupMessage && p.size() >= kKindFourSize && p[0] == 0xFC && kind == 4;
}

using toolkit::Note;
using toolkit::Tables;

void PopUp(std::uint64_t address) {
  DuiLib::WindowImplBase* window = nullptr;
  {
    std::lock_guard lock(Tables().mu);
    for (const auto& [object, name] : Tables().alive) {
      if (reinterpret_cast<std::uintptr_t>(object) == address)
        window = dynamic_cast<DuiLib::WindowImplBase*>(object);
    }
  }
  if (!window) {
    Note("popup_ignored", {{"reason", "no toolkit window at the request's address"}});
    return;
  }
  if (!window->GetHWND() && !window->Create(nullptr, L"", 0, 0))
    return;
  window->ShowWindow(true, true);
}

class PopupClient : public BusEndpoint {
 public:
  PopupClient() { Bus::Instance().Join(kPopupClient, this); }
  ~PopupClient() override { Bus::Instance().Leave(this); }

  void Deliver(BusMessage message) override {
    // Under the bus lock: everything else happens on the UI thread.
    DuiLib::UIMainQueue::getInstance().dispatch([message = std::move(message)] {
      if (!IsKindFour(message)) {
        Note("popup_ignored", {{"reason", "not a pop-up request of kind 4"}});
        return;
      }
      std::uint64_t address = 0;
      std::memcpy(&address, message.payload.data() + kWindowOffset, sizeof address);
      PopUp(address);
    });
  }
};

}  // namespace

bool Toolkit::StabilizePopupRequest(BusMessage& copy) {
  if (copy.dst != kPopupClient || !IsKindFour(copy))
    return false;
  for (const std::size_t offset : kAddressOffsets) {
    std::uint64_t address = 0;
    std::memcpy(&address, copy.payload.data() + offset, sizeof address);
    address = Transcript::Instance().StableAddress(address);
    std::memcpy(copy.payload.data() + offset, &address, sizeof address);
  }
  return true;
}

std::unique_ptr<BusEndpoint> Toolkit::JoinPopupClient() {
  return std::make_unique<PopupClient>();
}

}  // namespace emu
