// The stand-in host's flag word by default: keep field names, build cards and
// report ID-bearing fields (0x16).
#pragma once

#include "../model/card.h"

namespace abimport {

constexpr unsigned kDefaultFlags = Card::kKeepNames | Card::kBuildCards | Card::kReportIds;

}  // namespace abimport
