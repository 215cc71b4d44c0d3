#include "cli/Args.h"

#include <cmath>

#include "numeric/FixedColumns.h"

namespace corvane::cli {

std::optional<std::string> Args::Value(const std::string& name) {
    const std::string option = "--" + name;
    for (std::size_t i = 0; i < args_.size(); ++i) {
        std::string value;
        if (args_[i] == option) {
            if (i + 1 >= args_.size()) {
                errors_.push_back("option " + option + " needs a value");
                args_.erase(args_.begin() + static_cast<long>(i));
                return std::nullopt;
            }
            value = args_[i + 1];
            args_.erase(args_.begin() + static_cast<long>(i), args_.begin() + static_cast<long>(i) + 2);
            return value;
        }
        if (args_[i].rfind(option + "=", 0) == 0) {
            value = args_[i].substr(option.size() + 1);
            args_.erase(args_.begin() + static_cast<long>(i));
            return value;
        }
    }
    return std::nullopt;
}

bool Args::Flag(const std::string& name) {
    const std::string option = "--" + name;
    for (std::size_t i = 0; i < args_.size(); ++i) {
        if (args_[i] == option) {
            args_.erase(args_.begin() + static_cast<long>(i));
            return true;
        }
    }
    return false;
}

std::optional<double> Args::Number(const std::string& name) {
    const auto text = Value(name);
    if (!text) return std::nullopt;
    const auto v = StrictNumber(*text);
    if (!v) {
        errors_.push_back("option --" + name + " needs a number, not \"" + *text + "\"");
        return std::nullopt;
    }
    return v;
}

std::optional<long long> Args::Integer(const std::string& name) {
    const auto text = Value(name);
    if (!text) return std::nullopt;
    const auto v = StrictNumber(*text);
    if (!v || std::floor(*v) != *v || std::fabs(*v) > 9.0e15) {
        errors_.push_back("option --" + name + " needs a whole number, not \"" + *text + "\"");
        return std::nullopt;
    }
    return static_cast<long long>(*v);
}

std::vector<std::string> Args::Errors() const {
    std::vector<std::string> all = errors_;
    for (const auto& a : args_) all.push_back("unexpected argument \"" + a + "\"");
    return all;
}

}  // namespace corvane::cli
