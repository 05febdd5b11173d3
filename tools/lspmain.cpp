#include "lspmain.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "../lsp/server.h"
#include "../model/card.h"

namespace abimport {

namespace {

const char kUsage[] =
    "usage: abimport lsp\n"
    "\n"
    "Speaks the Language Server Protocol on standard input and output for an\n"
    "editor: diagnostics of the reading checks and the model check, hover,\n"
    "definitions, references, symbols, formatting and completion for the\n"
    "decks it opens (docs/editor.md).\n";

}  // namespace

int lspMain(int argc, char** argv, const ABImport& registry) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        // Some clients pass --stdio; that is the only channel there is.
        if (std::strcmp(argv[i], "--stdio") == 0) continue;
        std::fprintf(stderr, "abimport lsp: unknown option '%s' (abimport lsp --help)\n", argv[i]);
        return 2;
    }
    // Names kept, cards built, IDs reported: what hover and formatting read.
    Card::contFlag = Card::kKeepNames | Card::kBuildCards | Card::kReportIds;
    // The protocol has standard output to itself: anything else written
    // there (the library's messages) goes to standard error instead.
    const int protocol = dup(STDOUT_FILENO);
    if (protocol < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::perror("abimport lsp");
        return 1;
    }
    const int status = lsp::serveLanguage(STDIN_FILENO, protocol, registry);
    close(protocol);
    return status;
}

}  // namespace abimport
