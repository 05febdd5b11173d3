// The stand-in host's import target owns every card appended to it.
#include "../frame/hostinterface.h"

ImportObject::ImportObject() = default;

ImportObject::~ImportObject() {
    for (Card* card : cards) delete card;
}
