#include "cli/Args.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>

#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane::cli {

namespace {

// CLI11's help with our usage lines in place of its "Usage: name [OPTIONS]".
class UsageFormatter : public CLI::Formatter {
public:
    std::string usage;
    std::string make_usage(const CLI::App* app, std::string name) const override {
        if (usage.empty()) return CLI::Formatter::make_usage(app, std::move(name));
        return "\nUsage: " + usage + "\n";
    }
    // CLI11's layout with one empty line between groups (it puts two).
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode) const override {
        std::string out = make_description(app) + make_usage(app, std::move(name));
        for (const std::string& group : app->get_groups()) {
            const auto options = app->get_options(
                [&group](const CLI::Option* o) { return o->get_group() == group && o->nonpositional(); });
            if (!group.empty() && !options.empty()) out += make_group(group, false, options);
        }
        return out + "\n" + make_footer(app);
    }
};

}  // namespace

Options::Options(CLI::App& app) : app_(app) {
    auto formatter = std::make_shared<UsageFormatter>();
    formatter->column_width(30);
    app_.formatter(formatter);
    // Leftovers are reported by Parse, in this program's words.
    app_.allow_extras();
    app_.set_help_flag("-h,--help", "print this help and exit");
    app_.get_help_ptr()->group("Options");
}

void Options::Usage(std::string usage) {
    if (auto* f = dynamic_cast<UsageFormatter*>(app_.get_formatter().get())) f->usage = std::move(usage);
}

void Options::Footer(std::string footer) { app_.footer(std::move(footer)); }

std::string Options::ChoicePlaceholder(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& w : words) text += (text.empty() ? "" : "|") + w;
    return text;
}

std::string Options::ChoiceList(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) text += i + 1 == words.size() ? " or " : ", ";
        text += words[i];
    }
    return text;
}

void Options::Declare(const std::string& name, const std::string& placeholder, const std::string& help,
                      std::function<void(const std::string&)> convert) {
    // Zero or one value: "--alg" without one is ours to report, and a
    // following option is never taken as its value.  Every occurrence is
    // kept so that a repeat can be refused.
    CLI::Option* option = app_.add_option(name, help)
                              ->expected(0, 1)
                              ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                              ->option_text(placeholder)
                              ->group(group_);
    declared_.push_back({name, option, std::move(convert)});
}

void Options::Text(const std::string& name, std::optional<std::string>& into, const std::string& placeholder,
                   const std::string& help) {
    Declare(name, placeholder, help, [&into](const std::string& text) { into = text; });
}

void Options::Texts(const std::string& name, std::vector<std::string>& into, const std::string& placeholder,
                    const std::string& help) {
    Declare(name, placeholder, help, [&into](const std::string& text) { into.push_back(text); });
    declared_.back().repeatable = true;
}

void Options::Number(const std::string& name, std::optional<double>& into, const std::string& placeholder,
                     const std::string& help) {
    Declare(name, placeholder, help, [&into, name, this](const std::string& text) {
        if (const auto v = StrictNumber(text))
            into = *v;
        else
            Refuse("option " + name + " needs a number, not \"" + text + "\"");
    });
}

void Options::Whole(const std::string& name, std::optional<long long>& into, long long low, long long high,
                    const std::string& placeholder, const std::string& help) {
    Declare(name, placeholder, help, [&into, name, low, high, this](const std::string& text) {
        const auto v = StrictNumber(text);
        const bool whole = v && std::floor(*v) == *v && std::fabs(*v) <= static_cast<double>(kAnyWholeNumber);
        if (whole && *v >= static_cast<double>(low) && *v <= static_cast<double>(high)) {
            into = static_cast<long long>(*v);
            return;
        }
        std::string range;
        if (low > -kAnyWholeNumber || high < kAnyWholeNumber) range = " from " + NumberText(low) + " to " + NumberText(high);
        Refuse("option " + name + " needs a whole number" + range + ", not \"" + text + "\"");
    });
}

void Options::Flag(const std::string& name, bool& into, const std::string& help) {
    CLI::Option* option = app_.add_flag(name)->description(help)->group(group_);
    declared_.push_back({name, option, [&into, name, this](const std::string& text) {
                             // CLI11 would read "--value=no" as a value for the flag.
                             if (text != "true")
                                 Refuse("option " + name + " takes no value");
                             else
                                 into = true;
                         }});
}

bool Options::Given(const std::string& name) const {
    for (const auto& d : declared_)
        if (d.name == name) return d.option->count() > 0;
    return false;
}

void Options::Parse(std::vector<std::string> arguments) {
    std::reverse(arguments.begin(), arguments.end());  // CLI11 takes them from the back
    try {
        app_.parse(arguments);
    } catch (const CLI::CallForHelp&) {
        throw;
    } catch (const CLI::ParseError& e) {
        Refuse(e.what());
        return;
    }
    for (const auto& d : declared_) {
        const auto& results = d.option->results();
        if (results.empty()) continue;
        if (d.repeatable) {
            for (const auto& value : results) {
                if (value.empty())
                    Refuse("option " + d.name + " needs a value");
                else
                    d.convert(value);
            }
            continue;
        }
        if (results.size() > 1) {
            Refuse("option " + d.name + " given " + (results.size() == 2 ? "twice" : NumberText(static_cast<long long>(results.size())) + " times"));
            continue;
        }
        const std::string& value = results.front();
        if (value.empty()) {
            Refuse("option " + d.name + " needs a value");
            continue;
        }
        d.convert(value);
    }
    for (const auto& extra : app_.remaining()) {
        if (positional_ && !extra.empty() && extra[0] != '-')
            positional_->push_back(extra);
        else
            Refuse("unexpected argument \"" + extra + "\"");
    }
    if (problems_.empty())
        for (const auto& check : checks_) check();
}

}  // namespace corvane::cli
