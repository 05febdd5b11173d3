// The expressions of *PARAMETER_EXPRESSION: arithmetic (+ - * / ** and
// parentheses), numbers, other parameters by name or &name, and the functions
// sin cos tan asin acos atan atan2 sqrt exp log (base e) log10 abs min max
// sign (of one value, or the first with the sign of the second) mod int
// (toward zero). Names are compared without regard to case. Evaluated by
// muparser.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace abimport {

class ParameterExpression {
public:
    // Reads text; error() tells why it cannot be read.
    explicit ParameterExpression(const std::string& text);
    ~ParameterExpression();
    ParameterExpression(const ParameterExpression&) = delete;
    ParameterExpression& operator=(const ParameterExpression&) = delete;

    // The parameter names it uses, in lower case; empty on an error.
    const std::vector<std::string>& names() const { return names_; }
    // Its value with valueOf(name) for each name; false with error() set when
    // it does not evaluate to a finite number.
    bool evaluate(const std::function<double(const std::string&)>& valueOf, double& value);
    const std::string& error() const { return error_; }

private:
    struct Parser;
    Parser* parser_;
    std::vector<std::string> names_;
    std::string error_;
};

}  // namespace abimport
