#include "emu/Bus.h"

#include <algorithm>

namespace emu {

Bus& Bus::Instance() {
  static Bus* instance = new Bus();
  return *instance;
}

void Bus::Join(std::uint32_t clientId, BusEndpoint* endpoint) {
  std::lock_guard lock(mu_);
  members_.push_back({clientId, endpoint, {}});
}

void Bus::Leave(BusEndpoint* endpoint) {
  std::lock_guard lock(mu_);
  std::erase_if(members_, [endpoint](const Member& m) { return m.endpoint == endpoint; });
}

void Bus::Subscribe(BusEndpoint* endpoint, std::uint32_t group) {
  std::lock_guard lock(mu_);
  for (auto& m : members_) {
    if (m.endpoint == endpoint &&
        std::find(m.groups.begin(), m.groups.end(), group) == m.groups.end()) {
      m.groups.push_back(group);
    }
  }
}

bool Bus::Send(const BusMessage& message) {
  std::lock_guard lock(mu_);
  for (auto& m : members_) {
    if (m.clientId == message.dst) {
      m.endpoint->Deliver(message);
      return true;
    }
  }
  return false;
}

std::size_t Bus::Broadcast(const BusMessage& message) {
  std::lock_guard lock(mu_);
  std::size_t count = 0;
  const std::uint32_t group = GroupOf(message.msg);
  for (auto& m : members_) {
    if (std::find(m.groups.begin(), m.groups.end(), group) != m.groups.end()) {
      m.endpoint->Deliver(message);
      ++count;
    }
  }
  return count;
}

Requester::Requester(std::uint32_t id) {
  Bus::Instance().Join(id, this);
}

Requester::~Requester() {
  Bus::Instance().Leave(this);
}

void Requester::Deliver(BusMessage) {
  answers_.fetch_add(1);
}

}  // namespace emu
