// Raw-line form of Card::addFields: node and element lines of 8- and
// 16-column fields, or the same fields separated by commas.
#include <cctype>

#include "card.h"
#include "linefields.h"

void Card::addFields(unsigned& count, unsigned* types, unsigned* widths, const char** names,
                     char* line) {
    abimport::detail::LineFields cut(line);
    reserveFields(count);  // node and element lines are nearly always full
    for (unsigned i = 0; i < count; ++i) {
        const char* text = cut.next(widths[i]);
        if (cut.commaForm()) {
            if (!text) return;  // no word left for this or any later field
        } else if (std::iscntrl(static_cast<unsigned char>(text[0]))) {
            emptyFieldNames.emplace_back(names[i]);
            continue;
        }
        addConverted(types[i], widths[i], names[i], text);
    }
}
