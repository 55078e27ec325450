#include "tools/docgen/BashCompletion.h"

#include <map>
#include <vector>

#include <CLI/CLI.hpp>

namespace gnsslog {

namespace {

// "a,b,c" of a type name "TEXT:{a,b,c}", empty when it lists no choices.
std::string choicesOf(const std::string& typeName)
{
    const std::size_t open = typeName.find(":{");
    const std::size_t close = typeName.rfind('}');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return {};
    }
    std::string words = typeName.substr(open + 2, close - open - 2);
    for (char& c : words) {
        c = c == ',' ? ' ' : c;
    }
    return words;
}

std::string joined(const std::vector<std::string>& names, char separator)
{
    std::string out;
    for (const std::string& name : names) {
        out += (out.empty() ? "" : std::string(1, separator)) + name;
    }
    return out;
}

}  // namespace

std::string bashCompletion(const CLI::App& app)
{
    const std::string name = app.get_name();
    std::string function = "_" + name;
    for (char& c : function) {
        c = c == '-' ? '_' : c;
    }
    std::vector<std::string> allNames;
    // The lines after each kind of option's names, keyed by those lines so
    // options that complete alike share one case.
    std::map<std::string, std::vector<std::string>> cases;
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_group().empty() || option->get_positional()) {
            continue;
        }
        std::vector<std::string> names;
        for (const std::string& s : option->get_snames()) {
            names.push_back("-" + s);
        }
        for (const std::string& l : option->get_lnames()) {
            names.push_back("--" + l);
        }
        allNames.insert(allNames.end(), names.begin(), names.end());
        const std::string typeName = option->get_type_name();
        if (option->get_expected_max() == 0 || typeName.empty()) {
            continue;  // a flag: the next word is anything
        }
        std::string action = "            return ;;\n";
        if (const std::string choices = choicesOf(typeName); !choices.empty()) {
            action = "            COMPREPLY=($(compgen -W '" + choices + "' -- \"$cur\"))\n" + action;
        } else if (typeName == "TEXT") {
            action = "            _filedir\n" + action;
        }
        std::vector<std::string>& group = cases[action];
        group.insert(group.end(), names.begin(), names.end());
    }

    std::string script = "# bash completion for " + name + "; written at build time from its options.\n";
    script += function + "()\n{\n    local cur prev words cword\n    _init_completion || return\n\n";
    script += "    case \"$prev\" in\n";
    for (const auto& [action, names] : cases) {
        script += "        " + joined(names, '|') + ")\n" + action;
    }
    script += "    esac\n\n";
    script += "    if [[ $cur == -* ]]; then\n";
    script += "        COMPREPLY=($(compgen -W '" + joined(allNames, ' ') + "' -- \"$cur\"))\n";
    script += "        return\n    fi\n    _filedir\n} &&\n";
    script += "    complete -F " + function + ' ' + name + '\n';
    return script;
}

}  // namespace gnsslog
