// How the reader reads the field of a card's value, told by its width: a
// ten-column value stands in a word card, whose words the reader repairs
// (1.5-3 for 1.5e-3); any other width is a column of a line card, read as it
// stands. The keyword table makes that rule (isWordFieldWidth).
#pragma once

#include "../keywords/keywordtable.h"
#include "../model/numbers/fieldfit.h"

namespace abimport::detail {

inline FieldReading readingOfWidth(unsigned width) {
    return {width, isWordFieldWidth(width)};
}

}  // namespace abimport::detail
