// Parameters through the host's deck loop: the values fields take, the
// warnings with their places, and where the definitions may stand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modeltrace.h"

namespace abimport {

namespace {

struct Case {
    const char* label;
    std::vector<std::pair<std::string, std::string>> files;  // main.k first
    Lines cards;                                             // those with parameters, in order
    Lines warnings;
};

// "R area" right-aligned in ten columns, as a *PARAMETER name field.
std::string field(const std::string& text) {
    return std::string(text.size() < 10 ? 10 - text.size() : 0, ' ') + text;
}
std::string parameters(const std::vector<std::pair<std::string, std::string>>& pairs) {
    std::string line;
    for (const auto& [name, value] : pairs) line += field(name) + field(value);
    return "*PARAMETER\n" + line + "\n";
}
std::string expression(const std::string& name, const std::string& text) {
    return field(name) + text + "\n";
}

const std::string kInteraction = "*AIRBAG_INTERACTION\n";
const std::string kNodes = "*AIRBAG_REFERENCE_GEOMETRY\n";

// Node lines 1 to count, of 57 characters each.
std::string nodeLines(int count) {
    std::string lines;
    for (int n = 1; n <= count; ++n) {
        const std::string nid = std::to_string(n);
        lines += std::string(8 - nid.size(), ' ') + nid + std::string(13, ' ') + "0.0" +
                 std::string(13, ' ') + "0.0" + std::string(13, ' ') + "0.0\n";
    }
    return lines;
}

std::vector<Case> cases() {
    return {
        {"used before the definition in an include: ten-column, comma and node fields",
         {{"main.k", kInteraction +
                         "         1         2     &area       1.0        10     &lcid\n" +
                         kInteraction + "3,4, -&Area ,1.0,10,&LCID\n" + kNodes +
                         "       7           &xoff             0.0          -&xoff\n"
                         "*INCLUDE\nparams.k\n"},
          {"params.k", parameters({{"R AREA", "1.5-3"}, {"I lcid", "20"}, {"R xoff", ".25"}})}},
         {"Interaction AB1=1 AB2=2 AREA=0.0015 SF=1.0 PID=10 LCID=20 AREA<-area LCID<-lcid",
          "Interaction AB1=3 AB2=4 AREA=-0.0015 SF=1.0 PID=10 LCID=20 AREA<-Area LCID<-LCID",
          "NodeInfo NID=7:8 X=0.25:16 Y=0.0:16 Z=-0.25:16 X<-xoff Z<-xoff"},
         {}},
        {"expressions of parameters, functions and numbers in the deck's forms",
         {{"main.k",
           parameters({{"R a", "2."}}) + "*PARAMETER_EXPRESSION\n" +
               expression("R b", "sqrt(&a*8)**2 + log(exp(1)) - log10(100)") +
               expression("I n", "int(-7/2) + mod(7, 4)") +
               expression("R c", "sign(3, -1) * max(1, a) + min(a, 1.5E-1) * atan2(0, 1)") +
               expression("R d", "-2**2 + sign(-7)") + kInteraction + "&b,&n,&c,&d,0,0,0\n"}},
         {"Interaction AB1=15 AB2=0 AREA=-6.0 SF=-5.0 PID=0 LCID=0 IFLOW=0 AB1<-b AB2<-n AREA<-c "
          "SF<-d"},
         {}},
        {"a cycle, an error and a name nothing defines: fields read as written",
         {{"main.k", "*PARAMETER_EXPRESSION\n" + expression("R a", "b + 1") +
                         expression("R b", "a * 2") + expression("R e", "2 +") +
                         expression("R f", "g * 2") + kInteraction + "&a,&e,&f,&none,0,0,0\n"}},
         {},
         {"main.k:3 parameter-cycle", "main.k:4 parameter-error", "main.k:5 undefined-parameter",
          "main.k:7 parameter-error", "main.k:7 parameter-error", "main.k:7 parameter-error",
          "main.k:7 undefined-parameter", "main.k:7 not-a-number", "main.k:7 not-a-number",
          "main.k:7 not-a-number", "main.k:7 not-a-number"}},
        {"the birth card in ten columns, the node lines after it in theirs",
         {{"main.k", parameters({{"R t", "1.5-3"}, {"R x", "1234567.1"}}) +
                         "*AIRBAG_REFERENCE_GEOMETRY_BIRTH\n$ birth\n        &t\n"
                         "       1              &x              &t\n"}},
         {"BirthCard BIRTH=0.0015 BIRTH<-t",
          "NodeInfo NID=1:8 X=1234567.1:16 Y=0.0015:16 empty=[Z] X<-x Y<-t"},
         {}},
        {"a reference far into a long keyword, the definition after it",
         {{"main.k", kNodes + nodeLines(3000) + "    3001           &xoff\n" +
                         parameters({{"R xoff", "-1.5"}})}},
         {"NodeInfo NID=3001:8 X=-1.5:16 empty=[Y,Z] X<-xoff"},
         {}},
        {"defined twice: the later definition holds",
         {{"main.k",
           parameters({{"R v", "1."}}) + kInteraction + "&v\n" + parameters({{"R V", "2."}})}},
         {"Interaction AB1=2 AB1<-v"},
         {"main.k:6 parameter-redefined"}},
        {"read ahead from inside an include: the places in the file that includes it",
         {{"main.k", "*INCLUDE\na.k\n" + parameters({{"R v", "1."}}) + parameters({{"R v", "3."}})},
          {"a.k", kInteraction + "&v\n"}},
         {"Interaction AB1=3 AB1<-v"},
         {"main.k:6 parameter-redefined"}},
        {"_LOCAL holds in its file and the files it includes",
         {{"main.k",
           parameters({{"R x", "1."}}) + "*INCLUDE\na.k\n*INCLUDE\nc.k\n" + kInteraction + "&x\n"},
          {"a.k", "*PARAMETER_LOCAL\n" + field("R x") + field("2.") + "\n*INCLUDE\nb.k\n" +
                      kInteraction + "&x\n"},
          {"b.k", kInteraction + "&x\n"},
          {"c.k", kInteraction + "&x\n"}},
         {"Interaction AB1=2 AB1<-x", "Interaction AB1=2 AB1<-x", "Interaction AB1=1 AB1<-x",
          "Interaction AB1=1 AB1<-x"},
         {}},
        {"values that only the exact-text writer fits, and one that nothing fits",
         {{"main.k", parameters({{"R small", "1.234567-7"}}) +
                         "*PARAMETER\nR long,0.123456789012\n" + kInteraction +
                         "1,2,&small,&long,0,0,0\n" + kInteraction +
                         "         1         2    &small     &long\n"}},
         {"Interaction AB1=1 AB2=2 AREA=1.234567e-07 SF=0.123456789012 PID=0 LCID=0 IFLOW=0 "
          "AREA<-small "
          "SF<-long",
          "Interaction AB1=1 AB2=2 AREA=1.234567e-07 SF=0.123456789 AREA<-small SF<-long"},
         {"main.k:8 parameter-inexact"}},
        {"a value that no decimal of the field's width gives exactly: the closest decimal",
         {{"main.k", "*PARAMETER_EXPRESSION\n" + expression("R tiny", "2**-30") + kInteraction +
                         "         1         2     &tiny\n"}},
         {"Interaction AB1=1 AB2=2 AREA=9.313226e-10 AREA<-tiny"},
         {"main.k:4 parameter-inexact"}},
        {"an integer field takes digits: the nearest for a fraction, none past its range",
         {{"main.k", parameters({{"R half", "2.5"}, {"R big", "3e9"}}) + kInteraction +
                         "&half,&big,1.0,1.0,0,0,0\n" + kInteraction + "     -&big    -&half\n"}},
         {"Interaction AB1=3 AB2=0 AREA=1.0 SF=1.0 PID=0 LCID=0 IFLOW=0 AB1<-half",
          "Interaction AB1=0 AB2=-3 AB2<-half"},
         {"main.k:4 parameter-inexact", "main.k:4 parameter-error", "main.k:4 not-a-number",
          "main.k:6 parameter-error", "main.k:6 parameter-inexact", "main.k:6 not-a-number"}},
        {"a comma line that the values would make longer than one read",
         {{"main.k", "*PARAMETER_EXPRESSION\n" + expression("R third", "1/3") + kInteraction +
                         "1,2,&third," + std::string(104, ' ') + "0,0,0,0\n"}},
         {},
         {"main.k:4 long-line", "main.k:4 not-a-number"}},
        {"no parameter outside the fields: comments, a line past the card, other keywords",
         {{"main.k",
           parameters({{"R v", "1."}}) + kInteraction + "$ &v\n&v\n&none\n*NODE\n&none\n"}},
         {"Interaction AB1=1 AB1<-v"},
         {}},
    };
}

}  // namespace

TEST(Parameters, FieldsTakeTheirValues) {
    Card::contFlag = 0x16;
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.label);
        ModelFolder folder;
        for (const auto& [name, text] : c.files) folder.write(name, text);
        ModelTrace trace(folder);
        trace.cards = trace.values = true;
        ImportSettings settings;
        settings.parameters = true;
        importModel(folder, trace, settings);
        Lines withParameters, warnings;
        for (const std::string& event : trace.events) {
            const std::string what = event.substr(event.find(' ') + 1);
            if (event.rfind("card ", 0) == 0 && event.find("<-") != std::string::npos)
                withParameters.push_back(what.substr(0, what.rfind(' ')));  // less its line
            if (event.rfind("warning ", 0) == 0) warnings.push_back(what);
        }
        EXPECT_EQ(withParameters, c.cards);
        EXPECT_EQ(warnings, c.warnings);
    }
}

}  // namespace abimport
