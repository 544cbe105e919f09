#pragma once
// The command line of every bxa command, parsed by getopt_long: long names may be
// shortened while unambiguous, take "--name=value" or a following argument, short
// options bundle ("-qa0"), options and operands mix, and "--" ends the options.
#include <functional>
#include <string>
#include <vector>

struct CliOption {
    int id;           // the short letter, or a number from 256 up for long-only options
    const char* name; // long name
    bool takesValue;
};

// Calls `apply` for every option in the order given; it may refuse a value by
// returning false with `error` set. False with `error` set on a usage error.
bool parseCommandLine(const std::vector<std::string>& args, const std::vector<CliOption>& options,
                      const std::function<bool(int id, const std::string& value, std::string* error)>& apply,
                      std::vector<std::string>* operands, std::string* error);
