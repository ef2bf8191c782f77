#pragma once
// The transcript as one self-contained HTML page: a virtual-time axis with one lane per
// subsystem or kind, a mark per line with its details on hover or click, zoom from the whole
// run down to milliseconds. No network access and no other file is needed to view it.
#include <ostream>
#include <string>
#include <vector>

#include "emu/Transcript.h"

namespace fdhost {

// The lanes, top to bottom, and the lane of a line.
const std::vector<std::string>& HtmlLanes();
std::size_t HtmlLaneOf(const emu::Line& line);

// Writes the page for the lines of a run.
void WriteHtmlTimeline(std::ostream& out, const std::string& title,
                       const std::vector<emu::Line>& lines);

}  // namespace fdhost
