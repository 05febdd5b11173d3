#include "object.h"

void Object::tostring(char*) {}
void Object::tostring(std::string&) {}
Object::~Object() = default;
