#pragma once
// The pairs of a disk's S.M.A.R.T. detail report: its identity first, then one pair per
// attribute ("current,worst,threshold,raw" under the attribute's decimal id). The report puts
// the disk event counts between the two.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "smart/AtaSmartInfo.h"

using DetailPairs = std::vector<std::pair<std::string, std::string>>;

// Interface, Firmware, Model, IsSSD, DiskSize (megabytes).
DetailPairs DiskIdentityPairs(const smart::ATA_SMART_INFO& asi, std::uint32_t sizeMb);
DetailPairs DiskAttributePairs(const smart::ATA_SMART_INFO& asi);
