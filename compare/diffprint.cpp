#include "diffprint.h"

#include <cmath>

#include "../model/numbers/shortest.h"
#include "../output/jsontext.h"

namespace abimport {

namespace {

void appendDouble(std::string& out, double value) {
    if (std::isfinite(value)) {
        char text[32];
        out.append(text, abimport::detail::writeShortestDouble(text, value));
    } else {
        out += std::isnan(value) ? (std::signbit(value) ? "-nan" : "nan")
               : value < 0       ? "-inf"
                                 : "inf";
    }
}

void appendValue(std::string& out, const DiffValue& value) {
    switch (value.kind) {
        case DiffValue::None: out += "(blank)"; break;
        case DiffValue::Integer: out += std::to_string(value.integer); break;
        case DiffValue::Real: appendDouble(out, value.real); break;
        case DiffValue::Text:
            out += '\'';
            out.append(value.text.data(), value.text.size());
            out += '\'';
            break;
    }
}

void appendPlace(std::string& out, const DiffPlace& place) {
    if (!place.file) {
        out += '-';
        return;
    }
    out += *place.file;
    if (place.line) out += ':' + std::to_string(place.line);
}

// "AIRBAG_ALE AirCard #2" or "AIRBAG_REFERENCE_GEOMETRY NodeInfo NID=17".
void appendWhat(std::string& out, const DiffChange& change) {
    out += change.keyword->keyword->title;
    if (change.card.empty()) {
        const char* idName = keywordIdName(*change.keyword->keyword);
        if (idName && change.keyword->hasId) {
            out += ' ';
            out += idName;
            out += '=' + std::to_string(change.keyword->id);
        }
        return;
    }
    out += ' ';
    out.append(change.card.data(), change.card.size());
    if (change.number) out += " #" + std::to_string(change.number);
    if (change.hasRowId) {
        out += ' ';
        out.append(change.rowIdName.data(), change.rowIdName.size());
        out += '=' + std::to_string(change.rowId);
    }
}

}  // namespace

std::string groupedCount(size_t count) {
    std::string digits = std::to_string(count);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
    return digits;
}

void DiffTextWriter::change(const DiffChange& change) {
    std::string& out = line_;
    out.clear();
    switch (change.kind) {
        case DiffChange::Value:
            appendWhat(out, change);
            out += ' ';
            out.append(change.field.data(), change.field.size());
            out += ": ";
            appendValue(out, change.before);
            out += " -> ";
            appendValue(out, change.after);
            if (!change.parameter.empty()) {
                out += " (&";
                out.append(change.parameter.data(), change.parameter.size());
                out += ')';
            }
            break;
        case DiffChange::Parameter:
            out += "parameter ";
            out.append(change.field.data(), change.field.size());
            out += ": ";
            appendValue(out, change.before);
            out += " -> ";
            appendValue(out, change.after);
            break;
        case DiffChange::Added:
        case DiffChange::Removed:
            appendWhat(out, change);
            out += change.kind == DiffChange::Added ? " added" : " removed";
            break;
        case DiffChange::Geometry: {
            const bool nodes = change.rowNoun == "nodes";
            out += change.keyword->keyword->title;
            out += ": " + groupedCount(change.changed) + " of " + groupedCount(change.rows) + ' ';
            out.append(change.rowNoun.data(), change.rowNoun.size());
            out += nodes ? " moved" : " changed";
            if (nodes && change.changed) {
                // Six digits: a distance is a sum of squares, whose last digits
                // are noise ("0.0050000000000000044").
                char largest[32];
                std::snprintf(largest, sizeof largest, "%.6g", change.largest);
                out += std::string(" (largest ") + largest + " at node " +
                       std::to_string(change.largestId) + ')';
            }
            out += ", " + groupedCount(change.added) + " added, " + groupedCount(change.removed) +
                   " removed";
            break;
        }
    }
    out += "   (";
    appendPlace(out, change.from);
    out += " -> ";
    appendPlace(out, change.to);
    out += ")\n";
    std::fwrite(out.data(), 1, out.size(), out_);
}

namespace {

void jsonValue(JsonText& json, const DiffValue& value) {
    switch (value.kind) {
        case DiffValue::None: json.raw("null"); break;
        case DiffValue::Integer: json.number(value.integer); break;
        case DiffValue::Real: json.real(value.real); break;
        case DiffValue::Text: json.string(value.text.data(), value.text.size()); break;
    }
}

void jsonPlace(JsonText& json, const char* key, const DiffPlace& place) {
    json.raw(key, std::char_traits<char>::length(key));
    if (!place.file) {
        json.raw("null");
        return;
    }
    json.raw("{\"file\":");
    json.string(*place.file);
    json.raw(",\"line\":");
    if (place.line)
        json.number(place.line);
    else
        json.raw("null");
    json.raw('}');
}

void jsonCount(JsonText& json, const char* key, size_t count) {
    json.raw(key, std::char_traits<char>::length(key));
    json.number(static_cast<unsigned long long>(count));
}

const char* kindName(DiffChange::Kind kind) {
    switch (kind) {
        case DiffChange::Value: return "value";
        case DiffChange::Added: return "added";
        case DiffChange::Removed: return "removed";
        case DiffChange::Geometry: return "geometry";
        case DiffChange::Parameter: return "parameter";
    }
    return "";
}

void jsonOldNew(JsonText& json, const DiffChange& change) {
    json.raw(",\"old\":");
    jsonValue(json, change.before);
    json.raw(",\"new\":");
    jsonValue(json, change.after);
}

// The fields of a change to a keyword, a card, a value or a node or shell list.
void jsonKeywordChange(JsonText& json, const DiffChange& change) {
    json.raw(",\"keyword\":");
    json.string(change.keyword->keyword->title,
                std::char_traits<char>::length(change.keyword->keyword->title));
    if (change.keyword->hasId) {
        json.raw(",\"keywordId\":");
        json.number(change.keyword->id);
    }
    if (!change.card.empty()) {
        json.raw(",\"card\":");
        json.string(change.card.data(), change.card.size());
    }
    if (change.number) jsonCount(json, ",\"number\":", change.number);
    if (change.hasRowId) {
        json.raw(",\"");
        json.raw(change.rowIdName.data(), change.rowIdName.size());
        json.raw("\":");
        json.number(change.rowId);
    }
    if (change.kind == DiffChange::Value) {
        json.raw(",\"field\":");
        json.string(change.field.data(), change.field.size());
        jsonOldNew(json, change);
        if (!change.parameter.empty()) {
            json.raw(",\"parameter\":");
            json.string(change.parameter.data(), change.parameter.size());
        }
    } else if (change.kind == DiffChange::Geometry) {
        const bool nodes = change.rowNoun == "nodes";
        jsonCount(json, nodes ? ",\"nodes\":" : ",\"shells\":", change.rows);
        jsonCount(json, nodes ? ",\"moved\":" : ",\"changed\":", change.changed);
        if (nodes && change.changed) {
            json.raw(",\"largest\":");
            json.real(change.largest);
            json.raw(",\"at\":");
            json.number(change.largestId);
        }
        jsonCount(json, ",\"added\":", change.added);
        jsonCount(json, ",\"removed\":", change.removed);
    }
}

}  // namespace

void DiffJsonWriter::change(const DiffChange& change) {
    {
        JsonText json(out_);
        json.raw("{\"change\":\"");
        json.raw(kindName(change.kind), std::char_traits<char>::length(kindName(change.kind)));
        json.raw("\"");
        if (change.kind == DiffChange::Parameter) {
            json.raw(",\"parameter\":");
            json.string(change.field.data(), change.field.size());
            jsonOldNew(json, change);
        } else {
            jsonKeywordChange(json, change);
        }
        jsonPlace(json, ",\"from\":", change.from);
        jsonPlace(json, ",\"to\":", change.to);
        json.raw("}\n");
    }
    if (file_ && out_.size() >= (1u << 16)) flush();
}

void DiffJsonWriter::flush() {
    if (!file_) return;
    std::fwrite(out_.data(), 1, out_.size(), file_);
    out_.clear();
}

void DiffSummary::change(const DiffChange& change) {
    if (change.kind == DiffChange::Parameter) {
        ++parameters_;
        return;
    }
    Counts& counts = byTitle_[change.keyword->keyword->title];
    const bool card = !change.card.empty();
    switch (change.kind) {
        case DiffChange::Value: ++counts.values; break;
        case DiffChange::Added: ++(card ? counts.cardsAdded : counts.keywordsAdded); break;
        case DiffChange::Removed: ++(card ? counts.cardsRemoved : counts.keywordsRemoved); break;
        case DiffChange::Geometry: break;  // its rows come one by one
        case DiffChange::Parameter: break;
    }
}

void DiffSummary::print(FILE* out) const {
    Counts total;
    for (const auto& entry : byTitle_) {
        const Counts& c = entry.second;
        total.values += c.values;
        total.cardsAdded += c.cardsAdded;
        total.cardsRemoved += c.cardsRemoved;
        total.keywordsAdded += c.keywordsAdded;
        total.keywordsRemoved += c.keywordsRemoved;
    }
    const auto row = [out](const char* title, const Counts& c) {
        std::fprintf(out, "  %-36s %9zu %9zu %9zu %9zu %9zu\n", title, c.values, c.cardsAdded,
                     c.cardsRemoved, c.keywordsAdded, c.keywordsRemoved);
    };
    std::fprintf(out, "%-38s %9s %9s %9s %9s %9s\n", "changes by keyword", "values", "+cards",
                 "-cards", "+keywords", "-keywords");
    for (const auto& entry : byTitle_) row(entry.first.c_str(), entry.second);
    row("total", total);
    if (parameters_) std::fprintf(out, "parameters changed: %zu\n", parameters_);
}

}  // namespace abimport
