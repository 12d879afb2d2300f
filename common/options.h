// Command-line options with a value, as the console tools take them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mox {

// The value of argv[i] when it is the option `name`, given as "--name value"
// (i then moves past the value) or "--name=value"; nothing for any other
// argument. A missing value goes to the caller's error, which does not return.
template <typename Error>
std::optional<std::string_view> optionValue(std::string_view name, int argc, char** argv, int& i,
                                            Error missingValue) {
    const std::string_view arg = argv[i];
    if (arg == name) {
        if (++i == argc)
            missingValue("option '" + std::string(name) + "' needs a value");
        return argv[i];
    }
    if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=')
        return arg.substr(name.size() + 1);
    return std::nullopt;
}

// The same for an option that names a file. An empty name, as an unset shell
// variable gives, is no value either: taken as no option, it would drop a
// check without a word.
template <typename Error>
std::optional<std::string_view> fileOptionValue(std::string_view name, int argc, char** argv,
                                                int& i, Error missingValue) {
    const auto value = optionValue(name, argc, argv, i, missingValue);
    if (value && value->empty())
        missingValue("option '" + std::string(name) + "' needs a value");
    return value;
}

} // namespace mox
