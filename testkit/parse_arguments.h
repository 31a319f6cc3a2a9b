// A tool's command line as main() receives it, program name first, handed to
// that tool's option parser.
#pragma once

#include <string>
#include <vector>

template <typename Options, typename Parse>
bool ParseArguments(Parse parse, std::vector<const char*> arguments, Options* options, std::string* error)
{
    arguments.insert(arguments.begin(), "program");
    return parse(static_cast<int>(arguments.size()), arguments.data(), options, error);
}
