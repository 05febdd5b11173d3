// The outputs of abimport diff: one line per change, JSON Lines, or counts
// by keyword.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "diff.h"

namespace abimport {

// Text lines in the model's terms with both places, e.g.
//   AIRBAG_ALE VentHole AREA: 0.002 -> 0.0025   (bags/driver.k:14 -> bags/driver.k:16)
// The nodes and shells of a keyword are one count line; with rows, each
// changed, added or removed node or shell follows as lines of its own.
class DiffTextWriter : public DiffSink {
public:
    DiffTextWriter(FILE* out, bool rows) : out_(out), rows_(rows) {}
    void change(const DiffChange& change) override;
    bool wantsRows() const override { return rows_; }

private:
    FILE* out_;
    bool rows_;
    std::string line_;
};

// One JSON object per change, appended to a string; with a file, written out
// in blocks as it grows.
class DiffJsonWriter : public DiffSink {
public:
    DiffJsonWriter(std::string& out, bool rows, FILE* file = nullptr)
        : out_(out), rows_(rows), file_(file) {}
    ~DiffJsonWriter() override { flush(); }
    void change(const DiffChange& change) override;
    bool wantsRows() const override { return rows_; }
    void flush();

private:
    std::string& out_;
    bool rows_;
    FILE* file_;
};

// Counts by keyword title: values changed, cards (nodes and shells among
// them) added and removed, keywords added and removed.
class DiffSummary : public DiffSink {
public:
    void change(const DiffChange& change) override;
    bool wantsRows() const override { return true; }
    void print(FILE* out) const;

private:
    struct Counts {
        size_t values = 0, cardsAdded = 0, cardsRemoved = 0, keywordsAdded = 0, keywordsRemoved = 0;
    };
    std::map<std::string, Counts> byTitle_;
    size_t parameters_ = 0;  // parameters whose values changed
};

// A count with a comma between each three digits: 20,000.
std::string groupedCount(size_t count);

}  // namespace abimport
