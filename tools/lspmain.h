// abimport lsp: the language server on standard input and output.
#pragma once

#include "../frame/hostinterface.h"

namespace abimport {

// Runs `abimport lsp [--help]`; argv[0] is "lsp".
int lspMain(int argc, char** argv, const ABImport& registry);

}  // namespace abimport
