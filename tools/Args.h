// Command-line arguments of one subcommand: positional words and options
// given as --name VALUE, --name=VALUE or --flag.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tool {

struct OptionSpec {
    std::string name;       // without the dashes
    std::string valueName;  // empty: a flag without value
    std::string help;
};

class Args {
public:
    std::vector<std::string> positional;

    // Fails on an unknown option or a missing value.
    bool Parse(const std::vector<std::string>& words, const std::vector<OptionSpec>& specs, std::string& error);

    bool Has(const std::string& name) const { return m_values.count(name) != 0; }
    std::string Get(const std::string& name, const std::string& fallback = "") const;
    // An integer option within [min, max]; `fallback` when absent.
    bool GetInt(const std::string& name, long fallback, long min, long max, long& out, std::string& error) const;
    // Seconds, fractions allowed, as milliseconds.
    bool GetMillis(const std::string& name, double fallbackSeconds, long& out, std::string& error) const;

private:
    std::map<std::string, std::string> m_values;
};

}  // namespace tool
