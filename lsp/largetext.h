// A large document text taken out of a JSON message whole. An editor sends a
// deck's text in one string of the message (didOpen, or didChange without a
// range); parsing it the usual way holds the message, the parser's buffer
// and the string at once, three times a deck that may be hundreds of
// megabytes. Instead the string is decoded in place in the message's own
// memory, which then becomes the text, and the rest of the message is
// parsed with a placeholder where the string stood.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

namespace abimport::lsp {

// The placeholder that stands for the text taken out.
extern const char* const kTakenText;

// Takes out the value of the first key "text" whose string value is at least
// minimum bytes long: body becomes that string's decoded text, and rest the
// message with the placeholder in its place. False, leaving body as it is,
// when there is no such value or its escapes are not valid JSON. The bytes
// of the text are taken as they are (UTF-8 or not).
bool takeLargeText(std::string& body, std::string& rest, size_t minimum);

// Puts text back where the placeholder stands in a parsed message: the
// "text" of params.textDocument or of a params.contentChanges entry.
void putBackText(nlohmann::json& message, std::string&& text);

}  // namespace abimport::lsp
