#include "airbaglinefields.h"

namespace abimport {

AirbagLineFields airbagLineFields(unsigned keywordCode, bool firstDataLine) {
    const AirbagLineFields words = {true, 8, {10, 10, 10, 10, 10, 10, 10, 10}};
    const AirbagLineFields node = {false, 4, {8, 16, 16, 16}};
    switch (keywordCode) {
        case 3: return {true, 7, {10, 10, 10, 10, 10, 10, 10}};  // the interaction card
        case 4:
        case 7: return node;
        case 5:
        case 6: return firstDataLine ? AirbagLineFields{true, 1, {10}} : node;
        case 8: return {false, 6, {8, 8, 8, 8, 8, 8}};
        default: return words;  // the cards of the ALE airbags
    }
}

}  // namespace abimport
