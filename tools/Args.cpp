#include "Args.h"

#include <cmath>
#include <cstdlib>

namespace tool {

bool Args::Parse(const std::vector<std::string>& words, const std::vector<OptionSpec>& specs, std::string& error)
{
    for (size_t i = 0; i < words.size(); i++) {
        const std::string& word = words[i];
        if (word.size() < 3 || word.compare(0, 2, "--") != 0) {
            positional.push_back(word);
            continue;
        }
        const size_t equals = word.find('=');
        const std::string name = word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& s : specs)
            if (s.name == name)
                spec = &s;
        if (spec == nullptr) {
            error = "unknown option --" + name;
            return false;
        }
        if (spec->valueName.empty()) {
            if (equals != std::string::npos) {
                error = "--" + name + " takes no value";
                return false;
            }
            m_values[name] = "";
        } else if (equals != std::string::npos) {
            m_values[name] = word.substr(equals + 1);
        } else if (i + 1 < words.size()) {
            m_values[name] = words[++i];
        } else {
            error = "--" + name + " needs " + spec->valueName;
            return false;
        }
    }
    return true;
}

std::string Args::Get(const std::string& name, const std::string& fallback) const
{
    auto found = m_values.find(name);
    return found == m_values.end() ? fallback : found->second;
}

bool Args::GetInt(const std::string& name, long fallback, long min, long max, long& out, std::string& error) const
{
    out = fallback;
    if (!Has(name))
        return true;
    const std::string text = Get(name);
    char* stop = nullptr;
    out = strtol(text.c_str(), &stop, 10);
    if (text.empty() || *stop != '\0' || out < min || out > max) {
        error = "--" + name + " wants a whole number from " + std::to_string(min) + " to " + std::to_string(max);
        return false;
    }
    return true;
}

bool Args::GetMillis(const std::string& name, double fallbackSeconds, long& out, std::string& error) const
{
    double seconds = fallbackSeconds;
    if (Has(name)) {
        const std::string text = Get(name);
        char* stop = nullptr;
        seconds = strtod(text.c_str(), &stop);
        if (text.empty() || *stop != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > 86400) {
            error = "--" + name + " wants seconds (e.g. 0.5)";
            return false;
        }
    }
    out = std::lround(seconds * 1000);
    return true;
}

}  // namespace tool
