#pragma once
// The disk error event-log monitor: counts disk and volume errors of the System log per
// event id and reports them with each disk's S.M.A.R.T. data.
#include <cstdint>
#include <map>

#include <rapidxml/rapidxml.hpp>

namespace diskmonitor {

extern const wchar_t kDiskEventQuery[];

// Subscribes (from the oldest record), resets the counts and starts the daily report thread.
void Start();

// Counts one disk or volume event (the "System" element of its record).
void CountEvent(const rapidxml::xml_node<>* system);

// Reads the count of an id and sets it to 0; false when the id has not been seen yet, with
// lastSeen the time in seconds when it has.
bool TakeCount(std::uint32_t eventId, std::uint32_t& count, std::uint64_t& lastSeen);

// For tests: the counts and last-seen times as they are.
std::map<std::uint32_t, std::uint32_t> Counts();
void ResetForTests();

}  // namespace diskmonitor
