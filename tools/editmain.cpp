#include "editmain.h"

#include <string>
#include <vector>

#include "../edit/modeledit.h"

namespace abimport {

int runModelEdits(const Options& options, const ABImport& registry, FILE* out, FILE* err) {
    std::string error;
    std::vector<FieldEdit> edits(options.edits.size());
    for (size_t i = 0; i < edits.size(); ++i) {
        if (!parseFieldEdit(options.edits[i], edits[i], error)) {
            std::fprintf(err, "abimport: %s\n", error.c_str());
            return 2;
        }
    }
    ModelEdit model;
    bool done = model.load(options.decks.front(), registry, options.includes, error);
    for (size_t i = 0; done && i < edits.size(); ++i) done = model.apply(edits[i], error);
    if (done) {
        if (options.diff) {
            const std::string diff = model.diff();
            std::fwrite(diff.data(), 1, diff.size(), out);
        } else if (options.inPlace) {
            done = model.saveInPlace(error);
        } else {
            done = model.saveTo(options.outputFolder, error);
        }
    }
    if (done) return 0;
    std::fprintf(err, "abimport: %s\n", error.c_str());
    return 1;
}

}  // namespace abimport
