#include "references.h"

#include <cstring>

#include "../model/numbers/reading.h"
#include "textchecks.h"

namespace abimport {

bool integerAt(const DataLine* reader, char** words, unsigned pos, long long& value) {
    if (!words || !words[pos]) return false;
    // A card read at the end of the file came from no line: its words are
    // all left from the line before.
    if (reader && reader->endOfFile) return false;
    // A word card's list is the reader's own, whose first wordIndex words the
    // line gave; a line card hands over a list cut from its line alone.
    if (reader && words == reader->wordBuffers && pos >= reader->wordIndex) return false;
    const char* word = words[pos];
    if (!readsAsWritten(word, std::strlen(word), 1)) return false;
    value = abimport::detail::textToI32(word);
    return true;
}

bool referenceAt(const DataLine* reader, char** words, unsigned pos, long long& id) {
    return integerAt(reader, words, pos, id) && id != 0;
}

}  // namespace abimport
