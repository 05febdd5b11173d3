#include "parametertexts.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "exacttext.h"

namespace abimport {

namespace {

// "1.5e-03" as "1.5e-3": the exponent without its leading zeros.
std::string withShortExponent(const char* text) {
    std::string out(text);
    const size_t e = out.find('e');
    if (e == std::string::npos) return out;
    size_t digits = e + 1;
    if (digits < out.size() && (out[digits] == '-' || out[digits] == '+')) ++digits;
    if (out[e + 1] == '+') out.erase(e + 1, 1), --digits;
    while (digits + 1 < out.size() && out[digits] == '0') out.erase(digits, 1);
    return out;
}

class ExactValueTexts : public ValueTexts {
public:
    size_t exactText(double value, unsigned width, char* out) const override {
        return exact_text::doubleText(value, width, out);
    }

    // The decimal and exponent texts of 1 to 17 digits that fit, the one
    // that reads back nearest to value (the shorter of two as near).
    size_t closestText(double value, unsigned width, char* out) const override {
        std::string best;
        double bestError = INFINITY;
        for (int digits = 1; digits <= 17; ++digits) {
            for (const char* format : {"%.*g", "%.*e"}) {
                char text[64];
                std::snprintf(text, sizeof text, format, format[3] == 'g' ? digits : digits - 1,
                              value);
                std::string candidate = withShortExponent(text);
                // Without the zero before the point too: a digit more fits.
                const size_t zero = candidate[0] == '-' ? 1 : 0;
                for (int form = 0; form < 2; ++form) {
                    if (form == 1) {
                        if (candidate.compare(zero, 2, "0.") != 0) break;
                        candidate.erase(zero, 1);
                    }
                    if (candidate.size() > width || candidate.size() > exact_text::kMostColumns)
                        continue;
                    const double error = std::fabs(
                        exact_text::readDouble(candidate.data(), candidate.size(), width) - value);
                    if (error < bestError ||
                        (error == bestError && candidate.size() < best.size())) {
                        best = candidate;
                        bestError = error;
                    }
                }
            }
        }
        std::memcpy(out, best.data(), best.size());
        return best.size();
    }
};

}  // namespace

const ValueTexts& exactValueTexts() {
    static const ExactValueTexts texts;
    return texts;
}

}  // namespace abimport
