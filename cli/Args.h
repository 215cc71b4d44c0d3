#pragma once
// A small option parser: options are "--name value" or "--name" flags, taken
// out of the list as they are read so that leftovers can be reported.
#include <optional>
#include <string>
#include <vector>

namespace corvane::cli {

class Args {
public:
    explicit Args(std::vector<std::string> args) : args_(std::move(args)) {}

    // The value after --name (removed with it); nullopt when absent.  A
    // missing value is an error recorded for Errors().
    std::optional<std::string> Value(const std::string& name);
    // True when the flag --name is present (removed).
    bool Flag(const std::string& name);
    // Numeric values; a value that is not a number is recorded as an error.
    std::optional<double> Number(const std::string& name);
    std::optional<long long> Integer(const std::string& name);

    // Problems found so far, plus any argument nobody asked for.
    std::vector<std::string> Errors() const;

private:
    std::vector<std::string> args_;
    std::vector<std::string> errors_;
};

}  // namespace corvane::cli
