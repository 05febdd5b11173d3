#include "parameterexpression.h"

#include <muParser.h>

#include <cctype>
#include <cmath>
#include <deque>
#include <map>

namespace abimport {

namespace {

// sign(a): -1, 0 or 1; sign(a, b): |a| with the sign of b.
double sign(const double* values, int count) {
    if (count == 1) return (values[0] > 0) - (values[0] < 0);
    if (count == 2) return std::copysign(std::fabs(values[0]), values[1]);
    throw mu::ParserError("sign takes one or two values");
}
double truncated(double value) {
    return std::trunc(value);
}
double remainder(double a, double b) {
    return std::fmod(a, b);
}
double naturalLog(double value) {
    return std::log(value);
}

// The text as muparser reads it: in lower case, ** as ^, &name as name.
std::string muparserText(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '*' && i + 1 < text.size() && text[i + 1] == '*') {
            out += '^';
            ++i;
        } else if (c == '&' && i + 1 < text.size() &&
                   (std::isalpha(static_cast<unsigned char>(text[i + 1])) || text[i + 1] == '_')) {
            continue;
        } else {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return out;
}

}  // namespace

struct ParameterExpression::Parser {
    mu::Parser parser;
    std::deque<double> values;  // the variables' storage, which never moves
    std::map<std::string, double*> variables;
};

ParameterExpression::ParameterExpression(const std::string& text) : parser_(new Parser) {
    mu::Parser& parser = parser_->parser;
    try {
        parser.DefineFun("sign", sign);
        parser.DefineFun("int", truncated);
        parser.DefineFun("mod", remainder);
        parser.DefineFun("log", naturalLog);
        // Every name that is no function is a parameter: storage is made as
        // the expression names it.
        parser.SetVarFactory(
            [](const char* name, void* data) -> double* {
                auto* self = static_cast<Parser*>(data);
                self->values.push_back(0);
                double* slot = &self->values.back();
                self->variables[name] = slot;
                return slot;
            },
            parser_);
        parser.SetExpr(muparserText(text));
        for (const auto& used : parser.GetUsedVar()) names_.push_back(used.first);
    } catch (const mu::Parser::exception_type& failure) {
        error_ = failure.GetMsg();
        names_.clear();
    }
}

ParameterExpression::~ParameterExpression() {
    delete parser_;
}

bool ParameterExpression::evaluate(const std::function<double(const std::string&)>& valueOf,
                                   double& value) {
    if (!error_.empty()) return false;
    for (auto& [name, slot] : parser_->variables) *slot = valueOf(name);
    try {
        value = parser_->parser.Eval();
    } catch (const mu::Parser::exception_type& failure) {
        error_ = failure.GetMsg();
        return false;
    }
    if (!std::isfinite(value)) {
        error_ = "it gives " + std::string(std::isnan(value) ? "no number" : "an infinite value");
        return false;
    }
    return true;
}

}  // namespace abimport
