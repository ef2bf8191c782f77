#pragma once
// The structured query subset of Windows event-log subscriptions: paths to
// Event/System[EventID = N], Event/System/Provider[@Name='X'] and
// Event/System/TimeCreated[timediff(@SystemTime) <= N], joined by "and", "or" and parentheses.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace emu {

struct EventRecord {
  std::uint64_t recordId = 0;
  std::string channel = "System";
  std::string provider;
  std::uint32_t eventId = 0;
  std::int64_t timeMs = 0;  // since 1970 UTC
  std::string xml;          // when given, rendered as it is
  std::uint32_t renderError = 0;
  // The rendered XML, made once on the first render of this record.
  mutable std::shared_ptr<const std::wstring> rendered;
};

struct QueryError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class EventQuery {
 public:
  // Throws QueryError naming the position of what it cannot read.
  explicit EventQuery(const std::string& text);
  ~EventQuery();
  EventQuery(EventQuery&&) noexcept;
  bool Matches(const EventRecord& record, std::int64_t nowMs) const;

  struct Node;

 private:
  std::unique_ptr<Node> root_;
};

}  // namespace emu
