// Where a model's parameters stand and where they are used: the definition
// that a place of a *PARAMETER line gives, the columns of a definition's
// name, and the fields of the airbag keywords and the expressions that use
// a definition.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "../host/parametertable.h"
#include "session.h"

namespace abimport::lsp {

// The definition that byte column of line (1-based) of the model's file of
// that index gives: one of the pairs of a *PARAMETER line (from the end of
// the pair before it to the end of its value), or the line of a
// *PARAMETER_EXPRESSION; null for none.
const ParameterDefinition* definitionAt(const ParameterTable& table, size_t file,
                                        unsigned long long line, size_t byteColumn);

// The bytes [begin, end) of a definition's name in the text of its line.
void nameColumns(const ParameterDefinition& definition, std::string_view line, size_t& begin,
                 size_t& end);

// A place of a file of the model: its index, its line (0-based), bytes [begin, end).
struct FilePlace {
    size_t file = 0;
    size_t line = 0;
    size_t begin = 0, end = 0;
};

// Every use of the definition in the model, in file and line order: the
// fields of the airbag keywords that name it (&name), as the model's reading
// resolves their names, and the expressions that use it.
std::vector<FilePlace> usesOf(Session& session, const ModelReading& model,
                              const ParameterDefinition& definition);

// "parameter AREA = 2.5, defined at main.k:3": what a definition holds and
// where it stands.
std::string definitionText(const Session& session, const ModelReading& model,
                           const ParameterDefinition& definition);

}  // namespace abimport::lsp
