// The texts the stand-in host writes parameter values as: the exact texts of
// the write-back (exacttext.h), and where none fits the closest text that
// fits.
#pragma once

#include "../host/parametersubstitution.h"

namespace abimport {

// For ImportSettings::parameterTexts.
const ValueTexts& exactValueTexts();

}  // namespace abimport
