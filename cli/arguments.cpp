#include "cli/arguments.h"

#include <getopt.h>

namespace {

std::string spelled(const CliOption& o) {
    return o.id < 256 ? std::string("-") + static_cast<char>(o.id) + "/--" + o.name
                      : std::string("--") + o.name;
}

// getopt_long says only that something was wrong with a long option; name it.
std::string longOptionError(const std::string& arg, const std::vector<CliOption>& options) {
    const size_t eq = arg.find('=');
    const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
    std::vector<const CliOption*> matches;
    for (const CliOption& o : options) {
        if (name == o.name) {
            matches.assign(1, &o);
            break;
        }
        if (std::string(o.name).compare(0, name.size(), name) == 0) matches.push_back(&o);
    }
    if (matches.empty()) return "unknown option '--" + name + "'";
    if (matches.size() > 1) {
        std::string all;
        for (const CliOption* o : matches)
            all += (all.empty() ? "--" : ", --") + std::string(o->name);
        return "ambiguous option '--" + name + "' (" + all + ")";
    }
    if (eq != std::string::npos && !matches[0]->takesValue)
        return "option --" + std::string(matches[0]->name) + " takes no value";
    return "option " + spelled(*matches[0]) + " needs a value";
}

} // namespace

bool parseCommandLine(const std::vector<std::string>& args, const std::vector<CliOption>& options,
                      const std::function<bool(int, const std::string&, std::string*)>& apply,
                      std::vector<std::string>* operands, std::string* error) {
    std::vector<std::string> storage{"bxa"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(storage.size());

    // ':' first: a missing value comes back as ':' instead of a message from getopt itself.
    std::string shortOptions = ":";
    std::vector<struct option> longOptions;
    for (const CliOption& o : options) {
        if (o.id < 256) shortOptions += static_cast<char>(o.id) + std::string(o.takesValue ? ":" : "");
        longOptions.push_back({o.name, o.takesValue ? required_argument : no_argument, nullptr, o.id});
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    // glibc starts afresh, permutation state included, only when optind is 0.
    optind = 0;
    opterr = 0;
    bool ok = true;
    for (;;) {
        const int c = getopt_long(argc, argv.data(), shortOptions.c_str(), longOptions.data(), nullptr);
        if (c == -1) break;
        const std::string current = optind >= 1 && optind <= argc ? argv[optind - 1] : "";
        if (c == '?' || c == ':') {
            if (current.compare(0, 2, "--") == 0) {
                *error = longOptionError(current, options);
            } else if (c == ':') {
                *error = std::string("option -") + static_cast<char>(optopt) + " needs a value";
            } else {
                *error = std::string("unknown option '-") + static_cast<char>(optopt) + "'";
            }
            ok = false;
            break;
        }
        if (!apply(c, optarg ? optarg : "", error)) {
            ok = false;
            break;
        }
    }
    if (ok) operands->assign(argv.begin() + optind, argv.begin() + argc);
    optind = 0;
    return ok;
}
