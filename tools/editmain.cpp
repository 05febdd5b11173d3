#include "editmain.h"

#include <strings.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../edit/modeledit.h"

namespace abimport {

namespace {

// The same field of the same line twice in one run: the later would win
// silently.
bool findSetTwice(const std::vector<FieldEdit>& edits, std::string& error) {
    for (size_t i = 0; i < edits.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (edits[i].file == edits[j].file && edits[i].line == edits[j].line &&
                strcasecmp(edits[i].field.c_str(), edits[j].field.c_str()) == 0) {
                error = edits[i].file + ":" + std::to_string(edits[i].line) + ": " +
                        edits[i].field + " is set twice (--set " + edits[j].field + "=" +
                        edits[j].value + " and --set " + edits[i].field + "=" + edits[i].value +
                        ")";
                return true;
            }
        }
    }
    return false;
}

// Reads rows NID,X,Y,Z from a CSV file; a first line that is no such row is
// a header.
bool readNodeRows(const std::string& path, std::vector<NodeEdit>& rows, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open '" + path + "'";
        return false;
    }
    std::string line;
    for (unsigned long long number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        std::stringstream cells(line);
        std::string cell[4], extra;
        bool good = true;
        for (std::string& c : cell) good = good && std::getline(cells, c, ',');
        if (std::getline(cells, extra, ',')) good = false;
        NodeEdit row{};
        char* end = nullptr;
        if (good) {
            const long long nid = std::strtoll(cell[0].c_str(), &end, 10);
            good = end != cell[0].c_str() && *end == '\0' && nid >= INT32_MIN && nid <= INT32_MAX;
            row.nid = static_cast<int32_t>(nid);
        }
        for (int k = 0; good && k < 3; ++k) {
            const std::string& text = cell[k + 1];
            row.xyz[k] = std::strtod(text.c_str(), &end);
            good = !text.empty() && end == text.c_str() + text.size();
        }
        if (!good) {
            if (number == 1) continue;  // a header
            error =
                path + ":" + std::to_string(number) + ": expected NID,X,Y,Z, not '" + line + "'";
            return false;
        }
        rows.push_back(row);
    }
    return true;
}

bool applyAll(ModelEdit& model, const Options& options, const std::vector<FieldEdit>& edits,
              FILE* err, std::string& error) {
    for (const FieldEdit& edit : edits) {
        EditedField result;
        if (!model.apply(edit, error, &result, options.round)) return false;
        if (result.rounded) {
            std::fprintf(err, "abimport: %s: '%s' is written as '%s', which reads %s\n",
                         result.where.c_str(), edit.value.c_str(), result.text.c_str(),
                         shownField(result.reads).c_str());
        }
    }
    for (const std::string& csv : options.nodeFiles) {
        std::vector<NodeEdit> rows;
        if (!readNodeRows(csv, rows, error)) return false;
        size_t rounded = 0;
        if (!model.setNodes(rows, options.round, error, &rounded)) return false;
        if (rounded) {
            std::fprintf(err,
                         "abimport: %s: %zu coordinates written as the closest text that fits\n",
                         csv.c_str(), rounded);
        }
    }
    return true;
}

}  // namespace

int runModelEdits(const Options& options, const ABImport& registry, FILE* out, FILE* err) {
    std::string error;
    std::vector<FieldEdit> edits(options.edits.size());
    for (size_t i = 0; i < edits.size(); ++i) {
        if (!parseFieldEdit(options.edits[i], edits[i], error)) {
            std::fprintf(err, "abimport: %s\n", error.c_str());
            return 2;
        }
    }
    if (findSetTwice(edits, error)) {
        std::fprintf(err, "abimport: %s\n", error.c_str());
        return 2;
    }
    ModelEdit model;
    bool done = model.load(options.decks.front(), registry, options.includes, error) &&
                applyAll(model, options, edits, err, error);
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
