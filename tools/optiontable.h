// A command line read by a table of its options: each option's names, the
// value it takes, its help and what it does. The same table parses the
// command line and writes the help text, so the two cannot disagree.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace abimport {

// One use of an option on the command line.
struct OptionUse {
    const std::string& name;   // as given: "-j" or "--jobs"
    const std::string& value;  // its value; empty for an option that takes none
    const char* seeHelp;       // " (see abimport --help)", for errors
};

template <class Target>
struct Option {
    // Takes the option into the target; false with error set when its value
    // is not good.
    using Take = std::function<bool(Target&, const OptionUse&, std::string& error)>;

    std::vector<std::string> names;  // "-q", "--quiet"; empty for a line of help alone
    const char* value;               // the value's name in the help ("N"); null: takes none
    std::string help;                // lines separated by '\n'
    Take take;
    // For a line of help alone: what stands in the names' column.
    const char* label = nullptr;
};

// The options under one heading of the help ("Reading:"); a group without a
// heading continues the one before.
template <class Target>
struct OptionGroup {
    const char* heading;
    std::vector<Option<Target>> options;
};

template <class Target>
using OptionTable = std::vector<OptionGroup<Target>>;

// An option that sets a flag of the target.
template <class Target>
typename Option<Target>::Take setFlag(bool Target::*member) {
    return [member](Target& target, const OptionUse&, std::string&) {
        target.*member = true;
        return true;
    };
}

// An output option: picks the output once; a second, different one is an
// error. chosen tells whether one was picked.
template <class Target, class Output>
typename Option<Target>::Take chooseOutput(Output Target::*member, bool Target::*chosen,
                                           Output output) {
    return [member, chosen, output](Target& target, const OptionUse& use, std::string& error) {
        if (target.*chosen && target.*member != output) {
            error =
                "option '" + use.name + "' conflicts with an earlier output option" + use.seeHelp;
            return false;
        }
        target.*chosen = true;
        target.*member = output;
        return true;
    };
}

namespace detail {

// "--name" and, for a value option, "--name=VALUE", "--name VALUE" and for a
// one-letter name also "-nVALUE". Sets value and moves i past the value.
template <class Target>
bool matches(const Option<Target>& option, const std::string& name, const std::string& arg,
             int argc, const char* const* argv, int& i, std::string& value, bool& missing) {
    if (arg.compare(0, name.size(), name) != 0) return false;
    if (arg.size() == name.size()) {
        if (!option.value) return true;
        if (i + 1 >= argc) {
            missing = true;
            return true;
        }
        value = argv[++i];
        return true;
    }
    if (!option.value) return false;
    const bool letter = name.size() == 2;
    if (!letter && arg[name.size()] != '=') return false;
    value = arg.substr(name.size() + (arg[name.size()] == '=' ? 1 : 0));
    return true;
}

}  // namespace detail

// Reads argv[1] onwards by the table into target: each argument that is
// "-", empty or does not begin with '-' (and every one after "--") goes to
// operands. Returns the first error, naming the option, or "".
template <class Target>
std::string parseCommandLine(int argc, const char* const* argv, const OptionTable<Target>& table,
                             const char* seeHelp, Target& target,
                             std::vector<std::string>& operands) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const Option<Target>* found = nullptr;
        std::string name, value;
        bool missing = false;
        for (const OptionGroup<Target>& group : table) {
            for (const Option<Target>& option : group.options) {
                for (const std::string& candidate : option.names) {
                    if (!found &&
                        detail::matches(option, candidate, arg, argc, argv, i, value, missing)) {
                        found = &option;
                        name = candidate;
                    }
                }
            }
        }
        if (!found) return "unknown option '" + arg + "'" + seeHelp;
        if (missing) return "option '" + name + "' needs a value" + seeHelp;
        std::string error;
        if (!found->take(target, {name, value, seeHelp}, error)) return error;
    }
    return "";
}

// The help of the table: under each heading, each option's names and value
// in a column of 13 characters and its help beside them, the help's further
// lines under its first.
template <class Target>
std::string optionHelp(const OptionTable<Target>& table) {
    constexpr size_t kNames = 13;
    std::string out;
    for (const OptionGroup<Target>& group : table) {
        if (group.heading) out += std::string(out.empty() ? "" : "\n") + group.heading + "\n";
        for (const Option<Target>& option : group.options) {
            std::string names = option.label ? option.label : "";
            for (const std::string& name : option.names)
                names += (names.empty() ? "" : ", ") + name;
            if (option.value) names += std::string(" ") + option.value;
            if (names.size() < kNames) names.append(kNames - names.size(), ' ');
            std::string line = "  " + names + "  ";
            for (char c : option.help) {
                line += c;
                if (c == '\n') line += std::string(kNames + 4, ' ');
            }
            out += line + "\n";
        }
    }
    return out;
}

}  // namespace abimport
