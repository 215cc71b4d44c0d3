#pragma once
// The options of one corvane-cli command, parsed by CLI11.
//
// A command declares its options beside its own code (see cli/Command.h),
// each through one of the typed declarations below.  Every declaration
//   - converts the value by this program's rules (numbers as the data files
//     read them, choices from a fixed list) and names the option in any
//     problem: "option --identified needs a whole number, not \"two\"";
//   - refuses the option given twice ("option --alg given twice");
//   - shows up in the command's --help under the current group, with its
//     placeholder ("--method simplex|marquardt") and help text (several
//     lines allowed; say the default there).
// Anything on the command line that no option takes is refused as an
// "unexpected argument".  Problems are collected, not thrown, so one run
// lists them all; main() writes each as "corvane-cli <command>: ..." on
// standard error and exits with 2 before the command runs.
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace corvane::cli {

class Options {
public:
    explicit Options(CLI::App& app);
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;

    CLI::App& App() { return app_; }

    // Help texts: the usage lines shown after the command's one-line summary
    // (without "Usage: "), and prose after the option list.
    void Usage(std::string usage);
    void Footer(std::string footer);
    // Later declarations appear under this heading in --help.
    void Group(std::string heading) { group_ = std::move(heading); }

    // --- declarations (before parsing) ----------------------------------------
    // Any text (a file name, a list the command splits itself).
    void Text(const std::string& name, std::optional<std::string>& into, const std::string& placeholder,
              const std::string& help);
    // Text that may be given again and again, each value kept in order.
    void Texts(const std::string& name, std::vector<std::string>& into, const std::string& placeholder,
               const std::string& help);
    // A number as the data files read them (leading and trailing blanks allowed).
    void Number(const std::string& name, std::optional<double>& into, const std::string& placeholder,
                const std::string& help);
    // A whole number from low to high, or any whole number.
    void Whole(const std::string& name, std::optional<long long>& into, long long low, long long high,
               const std::string& placeholder, const std::string& help);
    void Whole(const std::string& name, std::optional<long long>& into, const std::string& placeholder,
               const std::string& help) {
        Whole(name, into, -kAnyWholeNumber, kAnyWholeNumber, placeholder, help);
    }
    // The largest whole number a double holds exactly: Whole's widest bounds.
    static constexpr long long kAnyWholeNumber = 9000000000000000LL;
    // One of a fixed list of words; the placeholder is "a|b|c".
    template <class T>
    void Choice(const std::string& name, std::optional<T>& into, const std::vector<std::pair<std::string, T>>& words,
                const std::string& help) {
        std::vector<std::string> names;
        for (const auto& w : words) names.push_back(w.first);
        Declare(name, ChoicePlaceholder(names), help, [&into, words, name, names, this](const std::string& text) {
            for (const auto& [word, value] : words)
                if (text == word) {
                    into = value;
                    return;
                }
            Refuse("option " + name + " takes " + ChoiceList(names) + ", not \"" + text + "\"");
        });
    }
    // A switch without a value.
    void Flag(const std::string& name, bool& into, const std::string& help);

    // Arguments that no option takes, in order, for a command that names
    // files by position; without this they are refused.  One that starts
    // with "-" is still refused as an unexpected argument.
    void Positional(std::vector<std::string>& into) { positional_ = &into; }

    // A check between options, run after parsing when every value converted
    // (shared option sets use it; a command overrides Command::Check).
    void AfterParsing(std::function<void()> check) { checks_.push_back(std::move(check)); }

    // --- after parsing -----------------------------------------------------------
    // True when the option appeared on the command line (even with a bad value).
    bool Given(const std::string& name) const;
    // A problem the command found (options that do not go together, say).
    void Refuse(std::string problem) { problems_.push_back(std::move(problem)); }
    const std::vector<std::string>& Problems() const { return problems_; }

    // Runs CLI11 over the arguments and converts every value.  CLI11's own
    // refusals are kept as problems; --help is left to the caller (CLI11
    // throws CLI::CallForHelp).
    void Parse(std::vector<std::string> arguments);

    // "a|b|c" and "a, b or c".
    static std::string ChoicePlaceholder(const std::vector<std::string>& words);
    static std::string ChoiceList(const std::vector<std::string>& words);

private:
    void Declare(const std::string& name, const std::string& placeholder, const std::string& help,
                 std::function<void(const std::string&)> convert);

    struct Declared {
        std::string name;
        CLI::Option* option = nullptr;
        std::function<void(const std::string&)> convert;  // empty for a flag
        bool repeatable = false;
    };

    CLI::App& app_;
    std::string group_ = "Options";
    std::vector<Declared> declared_;
    std::vector<std::function<void()>> checks_;
    std::vector<std::string> problems_;
    std::vector<std::string>* positional_ = nullptr;
};

}  // namespace corvane::cli
