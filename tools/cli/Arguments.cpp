// SPDX-License-Identifier: ISC
#include "tools/cli/Arguments.h"

#include "tools/ToolError.h"

#include <algorithm>

std::string Arguments::option(const std::string& name, const std::string& fallback) const {
    for (const auto& [given, value] : options)
        if (given == name) return value;
    return fallback;
}

std::vector<std::string> Arguments::all(const std::string& name) const {
    std::vector<std::string> values;
    for (const auto& [given, value] : options)
        if (given == name) values.push_back(value);
    return values;
}

bool Arguments::has(const std::string& name) const {
    return std::any_of(options.begin(), options.end(),
                       [&](const auto& option) { return option.first == name; });
}

Arguments ParseArguments(const std::vector<std::string>& words,
                         const std::vector<OptionSpec>& options) {
    auto spec = [&](auto&& matches) {
        const auto found = std::find_if(options.begin(), options.end(), matches);
        return found == options.end() ? nullptr : &*found;
    };
    Arguments parsed;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--help" || word == "-h") {
            parsed.help = true;
            break;
        }
        if (word.size() >= 2 && word[0] == '-' && word[1] != '-') {
            if (const OptionSpec* option =
                    spec([&](const OptionSpec& o) { return o.shortName == word[1]; })) {
                if (word.size() == 2 && i + 1 >= words.size())
                    throw UsageError(word + " needs a value");
                parsed.options.emplace_back(option->name,
                                            word.size() > 2 ? word.substr(2) : words[++i]);
                continue;
            }
        }
        if (word.rfind("--", 0) != 0) {
            parsed.positional.push_back(word);
            continue;
        }
        std::string name = word.substr(2), value;
        const size_t equals = name.find('=');
        if (equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
        }
        if (!spec([&](const OptionSpec& o) { return name == o.name; }))
            throw UsageError("unknown option --" + name);
        if (equals == std::string::npos) {
            if (i + 1 >= words.size()) throw UsageError("--" + name + " needs a value");
            value = words[++i];
        }
        parsed.options.emplace_back(name, value);
    }
    return parsed;
}
