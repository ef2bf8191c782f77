#pragma once
// The host's message bus: routes messages between clients by client id and delivers
// broadcasts to the subscribers of a group. A broadcast message belongs to the group of its
// upper 16 bits (0xA0004 belongs to 0xA0000).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace emu {

struct BusMessage {
  std::uint32_t dst = 0xFFFFFFFF;
  std::uint32_t src = 0xFFFFFFFF;
  std::uint32_t msg = 0xFFFFFFFF;
  std::uint32_t reply = 0xFFFFFFFF;
  std::uint32_t reserved1 = 0xFFFFFFFF;
  std::uint32_t reserved2 = 0;
  bool hasPayload = false;  // false: delivered with a null payload pointer
  std::vector<std::uint8_t> payload;
  std::uint8_t flag = 0;
};

class BusEndpoint {
 public:
  virtual ~BusEndpoint() = default;
  // Called under the bus lock: must queue, never block.
  virtual void Deliver(BusMessage message) = 0;
};

// A client of the host's side that sends requests on the bus and counts the answers it gets.
class Requester : public BusEndpoint {
 public:
  explicit Requester(std::uint32_t id);
  ~Requester() override;
  void Deliver(BusMessage) override;
  std::size_t Answers() const { return answers_.load(); }

 private:
  std::atomic<std::size_t> answers_{0};
};

class Bus {
 public:
  static Bus& Instance();
  static std::uint32_t GroupOf(std::uint32_t msg) { return msg & 0xFFFF0000u; }

  void Join(std::uint32_t clientId, BusEndpoint* endpoint);
  // After Leave returns, no delivery to the endpoint is in progress or will start.
  void Leave(BusEndpoint* endpoint);
  void Subscribe(BusEndpoint* endpoint, std::uint32_t group);

  // To the earliest joined client with the destination id; false when there is none.
  bool Send(const BusMessage& message);
  // To every subscriber of the message's group; returns how many received it.
  std::size_t Broadcast(const BusMessage& message);

 private:
  Bus() = default;
  struct Member {
    std::uint32_t clientId;
    BusEndpoint* endpoint;
    std::vector<std::uint32_t> groups;
  };
  std::mutex mu_;
  std::vector<Member> members_;  // in joining order
};

}  // namespace emu
