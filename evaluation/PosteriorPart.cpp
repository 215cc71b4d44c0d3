#include "evaluation/PosteriorPart.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <sstream>

#include "engine/modCorvane.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

constexpr const char* kFirstLine = "Corvane posterior part, format 1";
constexpr const char* kLastLine = "End of part";

// Exact: "%a" writes every bit, strtod reads it back.
std::string Hex(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%a", v);
    return text;
}

std::optional<double> ReadHex(const std::string& text) {
    const std::string t = Trim(text);
    if (t.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size()) return std::nullopt;
    return v;
}

std::optional<long long> ReadWhole(const std::string& text) {
    const std::string t = Trim(text);
    if (t.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(t.c_str(), &end, 10);
    if (end != t.c_str() + t.size() || errno == ERANGE) return std::nullopt;
    return v;
}

std::string OneLine(std::string s) {
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

// Reads "Label: rest" lines in order, reporting the first surprise.
class PartReader {
public:
    explicit PartReader(std::istream& in) : lines_(in) {}

    bool Line(std::string& line) {
        if (!lines_.Next(line)) {
            if (!lines_.NotText().empty()) {
                // Said first, whatever the caller adds.
                error = "it " + lines_.NotText();
                return false;
            }
            Fail("the part ends early, after line " + NumberText(lines_.LinesRead()));
            return false;
        }
        return true;
    }
    // The text after "label: ".
    std::optional<std::string> Field(const std::string& label) {
        std::string line;
        if (!Line(line)) return std::nullopt;
        const std::string head = label + ": ";
        if (line.rfind(head, 0) != 0) {
            Fail("line " + NumberText(lines_.LinesRead()) + " should start with \"" + head + "\"");
            return std::nullopt;
        }
        return line.substr(head.size());
    }
    std::optional<long long> Whole(const std::string& label, long long low, long long high) {
        const auto f = Field(label);
        if (!f) return std::nullopt;
        const auto v = ReadWhole(*f);
        if (!v || *v < low || *v > high) {
            Fail("line " + NumberText(lines_.LinesRead()) + ": \"" + label + "\" needs a whole number from " +
                 NumberText(low) + " to " + NumberText(high));
            return std::nullopt;
        }
        return v;
    }
    std::optional<double> Number(const std::string& label) {
        const auto f = Field(label);
        if (!f) return std::nullopt;
        return Number(*f, label);
    }
    // Every number of a part is finite: a NaN or an infinity can only be damage.
    std::optional<double> Number(const std::string& text, const std::string& what) {
        const auto v = ReadHex(text);
        if (!v || !std::isfinite(*v)) {
            Fail("line " + NumberText(lines_.LinesRead()) + ": \"" + what + "\" is " +
                 (v ? "not finite (" + Trim(text) + ")" : std::string("not a number")));
            return std::nullopt;
        }
        return v;
    }
    bool Expect(const std::string& text) {
        std::string line;
        if (!Line(line)) return false;
        if (line != text) {
            Fail("line " + NumberText(lines_.LinesRead()) + " should read \"" + text + "\"");
            return false;
        }
        return true;
    }
    void Fail(std::string why) {
        if (error.empty()) error = std::move(why);
    }
    long long LineNumber() const { return lines_.LinesRead(); }

    std::string error;

private:
    LineReader lines_;
};

}  // namespace

std::string PriorsIdentity(const Workbench& wb) {
    if (!wb.engine.priorsInUse) return "off";
    std::string t = "on";
    const PriorTable& p = wb.priorTable;
    for (int i = 1; i <= p.rows.size(); ++i) {
        const PriorRow& r = p.rows[i];
        t += " | " + std::string(1, r.type);
        if (r.type == 'U') continue;
        t += " " + Hex(r.firstMean) + " " + Hex(r.firstSD) + " " + OneLine(r.secondMean) + " " + OneLine(r.secondSD);
    }
    return t;
}

PosteriorPart MakePosteriorPart(const PosteriorPlan& plan, const AlgorithmData& data, const PosteriorBlocks& blocks,
                                std::string setup, std::string priors, int shard, int shards) {
    PosteriorPart p;
    p.setup = OneLine(std::move(setup));
    p.priors = OneLine(std::move(priors));
    p.values = plan.base;
    p.steps.resize(plan.base.size(), 0.0);
    p.steps[plan.parameter] = plan.step;
    for (int q = 1; q <= plan.k(); ++q) p.steps[plan.integrated[q]] = plan.gridStep[q];
    p.fuses.resize(plan.base.size(), kUnfused);
    for (int i = 1; i <= plan.base.size() && i <= data.fuse.size(); ++i) p.fuses[i] = data.fuse[i];
    p.descriptions.resize(plan.base.size());
    for (int i = 1; i <= plan.base.size() && i <= data.description.size(); ++i)
        p.descriptions[i] = OneLine(data.description[i]);
    p.reciprocalConstant = plan.reciprocalConstant;
    p.parameter = plan.parameter;
    p.m = plan.m;
    p.g = plan.g;
    p.reference = plan.reference;
    p.shard = shard;
    p.shards = shards;
    p.firstBlock = blocks.first;
    p.blockCount = static_cast<long long>(blocks.sums.size());
    p.totalBlocks = plan.Blocks();
    p.calls = blocks.calls;
    p.sums = blocks.sums;
    p.terms = blocks.terms;
    return p;
}

PosteriorPlan PlanOfPart(const PosteriorPart& part) {
    PosteriorPlan plan;
    plan.parameter = part.parameter;
    plan.m = part.m;
    plan.g = part.g;
    plan.centre = part.values[part.parameter];
    plan.step = part.steps[part.parameter];
    int k = 0;
    for (int i = 1; i <= part.steps.size(); ++i)
        if (i != part.parameter && part.steps[i] != 0.0) ++k;
    plan.integrated.resize(k);
    plan.gridCentre.resize(k);
    plan.gridStep.resize(k);
    int q = 0;
    for (int i = 1; i <= part.steps.size(); ++i) {
        if (i == part.parameter || part.steps[i] == 0.0) continue;
        ++q;
        plan.integrated[q] = i;
        plan.gridCentre[q] = part.values[i];
        plan.gridStep[q] = part.steps[i];
    }
    plan.base = part.values;
    plan.reciprocalConstant = part.reciprocalConstant;
    plan.reference = part.reference;
    return plan;
}

std::string PosteriorPartText(const PosteriorPart& p) {
    std::ostringstream t;
    t << kFirstLine << CRLF;
    t << "Set-up: " << p.setup << CRLF;
    t << "Priors: " << p.priors << CRLF;
    t << "Parameters: " << p.values.size() << CRLF;
    for (int i = 1; i <= p.values.size(); ++i)
        t << i << " " << Hex(p.values[i]) << " " << Hex(p.steps[i]) << " " << p.fuses[i]
          << (i <= p.descriptions.size() && !p.descriptions[i].empty() ? " " + OneLine(p.descriptions[i]) : "")
          << CRLF;
    t << "Constant reciprocal: " << Hex(p.reciprocalConstant) << CRLF;
    t << "Profiled parameter: " << p.parameter << CRLF;
    t << "Points: " << p.m << CRLF;
    t << "Grid points: " << p.g << CRLF;
    t << "Reference: " << Hex(p.reference) << CRLF;
    t << "Shard: " << p.shard << " of " << p.shards << CRLF;
    t << "Blocks: " << p.firstBlock << " " << p.blockCount << " of " << p.totalBlocks << CRLF;
    t << "Calls: " << p.calls << CRLF;
    t << "Sums: " << p.sums.size() << CRLF;
    for (double s : p.sums) t << Hex(s) << CRLF;
    t << "Terms: " << p.terms.size() << CRLF;
    for (double s : p.terms) t << Hex(s) << CRLF;
    t << kLastLine << CRLF;
    return t.str();
}

PosteriorPartRead ReadPosteriorPart(std::istream& in) {
    PosteriorPartRead out;
    PartReader r(in);
    PosteriorPart p;
    auto fail = [&]() {
        out.error = r.error.empty() ? "unreadable" : r.error;
        return out;
    };
    if (!r.Expect(kFirstLine)) {
        if (r.error.rfind("it is not a text file", 0) == 0) return fail();
        r.error = "it is not a posterior part (its first line should read \"" + std::string(kFirstLine) + "\")";
        return fail();
    }
    const auto setup = r.Field("Set-up");
    if (!setup) return fail();
    p.setup = *setup;
    const auto priors = r.Field("Priors");
    if (!priors) return fail();
    p.priors = *priors;
    const auto np = r.Whole("Parameters", 1, 32767);
    if (!np) return fail();
    const int n = static_cast<int>(*np);
    p.values.resize(n);
    p.steps.resize(n);
    p.fuses.resize(n);
    p.descriptions.resize(n);
    for (int i = 1; i <= n; ++i) {
        std::string line;
        if (!r.Line(line)) return fail();
        std::istringstream fields(line);
        std::string number, value, step, fuse, description;
        fields >> number >> value >> step >> fuse;
        const auto v = ReadHex(value);
        const auto s = ReadHex(step);
        if (ReadWhole(number) != i || !v || !s || !std::isfinite(*v) || !std::isfinite(*s) || fuse.empty()) {
            r.Fail("line " + NumberText(r.LineNumber()) + " should hold parameter " + NumberText(i) +
                   ": its number, value, step and fuse code");
            return fail();
        }
        // The rest of the line, if any, is the description.
        std::getline(fields >> std::ws, description);
        p.values[i] = *v;
        p.steps[i] = *s;
        p.fuses[i] = fuse;
        p.descriptions[i] = Trim(description);
    }
    const auto reciprocal = r.Number("Constant reciprocal");
    if (!reciprocal) return fail();
    p.reciprocalConstant = *reciprocal;
    const auto parameter = r.Whole("Profiled parameter", 1, n);
    if (!parameter) return fail();
    p.parameter = static_cast<int>(*parameter);
    const auto m = r.Whole("Points", 3, kMaxPosteriorPoints);
    if (!m) return fail();
    p.m = static_cast<int>(*m);
    const auto g = r.Whole("Grid points", 0, kMaxPosteriorPoints);
    if (!g) return fail();
    p.g = static_cast<int>(*g);
    const auto reference = r.Number("Reference");
    if (!reference) return fail();
    p.reference = *reference;

    const auto shard = r.Field("Shard");
    if (!shard) return fail();
    {
        long long k = 0, nShards = 0;
        char of[3] = {};
        if (std::sscanf(shard->c_str(), "%lld %2s %lld", &k, of, &nShards) != 3 || std::string(of) != "of" ||
            nShards < 1 || k < 1 || k > nShards || nShards > 1000000) {
            r.Fail("line " + NumberText(r.LineNumber()) + ": \"Shard\" needs \"K of N\" with 1 <= K <= N");
            return fail();
        }
        p.shard = static_cast<int>(k);
        p.shards = static_cast<int>(nShards);
    }
    const auto blocks = r.Field("Blocks");
    if (!blocks) return fail();
    {
        char of[3] = {};
        if (std::sscanf(blocks->c_str(), "%lld %lld %2s %lld", &p.firstBlock, &p.blockCount, of, &p.totalBlocks) != 4 ||
            std::string(of) != "of") {
            r.Fail("line " + NumberText(r.LineNumber()) + ": \"Blocks\" needs \"first count of total\"");
            return fail();
        }
    }
    const auto calls = r.Whole("Calls", 0, kMaxPosteriorCalls);
    if (!calls) return fail();
    p.calls = *calls;

    // The sizes must be those of the plan and the shard.
    const PosteriorPlan plan = PlanOfPart(p);
    if (plan.k() > kMaxIntegrated || (plan.k() > 0 && p.g < 3) || plan.Calls() > kMaxPosteriorCalls) {
        r.Fail("its steps and grid points do not make a posterior that can be integrated");
        return fail();
    }
    const BlockRange range = ShardBlocks(plan.Blocks(), p.shard, p.shards);
    if (p.totalBlocks != plan.Blocks() || p.firstBlock != range.first || p.blockCount != range.count) {
        r.Fail("its blocks are not those of shard " + NumberText(p.shard) + " of " + NumberText(p.shards));
        return fail();
    }
    const long long expectedTerms = plan.k() == 1 ? p.blockCount * plan.NodesPerBlock() : 0;
    if (p.calls != p.blockCount * plan.NodesPerBlock()) {
        r.Fail("its count of calls does not match its blocks");
        return fail();
    }
    auto numbers = [&](const char* label, long long expected, std::vector<double>& into) {
        const auto count = r.Whole(label, expected, expected);
        if (!count) return false;
        for (long long j = 0; j < expected; ++j) {
            std::string line;
            if (!r.Line(line)) return false;
            const auto v = r.Number(line, std::string(label) + " value");
            if (!v) return false;
            // Sums and terms add likelihoods: none is below 0.
            if (*v < 0.0) {
                r.Fail("line " + NumberText(r.LineNumber()) + ": the " + std::string(label) + " value " +
                       NumberText(*v) + " is negative");
                return false;
            }
            into.push_back(*v);
        }
        return true;
    };
    if (!numbers("Sums", p.blockCount, p.sums)) return fail();
    if (!numbers("Terms", expectedTerms, p.terms)) return fail();
    if (!r.Expect(kLastLine)) return fail();
    out.part = std::move(p);
    return out;
}

std::string PartMismatch(const PosteriorPart& a, const PosteriorPart& b) {
    auto same = [](double x, double y) { return Hex(x) == Hex(y); };
    if (a.setup != b.setup) return "model set-up";
    if (a.values.size() != b.values.size()) return "number of parameters";
    for (int i = 1; i <= a.values.size(); ++i) {
        if (!same(a.values[i], b.values[i])) return "value of parameter " + NumberText(i);
        if (!same(a.steps[i], b.steps[i])) return "step of parameter " + NumberText(i);
        if (a.fuses[i] != b.fuses[i]) return "fuse code of parameter " + NumberText(i);
    }
    if (a.priors != b.priors) return "priors";
    if (!same(a.reciprocalConstant, b.reciprocalConstant)) return "covariance constant";
    if (a.parameter != b.parameter) return "profiled parameter";
    if (a.m != b.m) return "number of points";
    if (a.g != b.g) return "number of grid points";
    if (!same(a.reference, b.reference)) return "reference -ln[L]";
    if (a.shards != b.shards) return "number of shards";
    return "";
}

PosteriorMerge MergePosteriorParts(const std::vector<std::pair<std::string, PosteriorPart>>& parts) {
    PosteriorMerge out;
    if (parts.empty()) {
        out.error = "no parts to merge";
        return out;
    }
    const auto& [firstName, first] = parts.front();
    const int n = first.shards;
    std::vector<int> owner(static_cast<std::size_t>(n) + 1, -1);
    for (std::size_t j = 0; j < parts.size(); ++j) {
        const auto& [name, part] = parts[j];
        if (j > 0) {
            const std::string what = PartMismatch(first, part);
            if (!what.empty()) {
                out.error = "part " + name + " does not belong with part " + firstName + ": its " + what + " differs";
                return out;
            }
        }
        int& o = owner[static_cast<std::size_t>(part.shard)];
        if (o >= 0) {
            out.error = "part " + name + " repeats shard " + NumberText(part.shard) + " of " + NumberText(n) +
                        ", which part " + parts[static_cast<std::size_t>(o)].first + " holds already";
            return out;
        }
        o = static_cast<int>(j);
    }
    std::string missing;
    int missingCount = 0;
    for (int k = 1; k <= n; ++k) {
        if (owner[static_cast<std::size_t>(k)] >= 0) continue;
        ++missingCount;
        if (missingCount <= 10) missing += (missing.empty() ? "" : ", ") + NumberText(k);
    }
    if (missingCount > 0) {
        out.error = (missingCount == 1 ? "shard " : "shards ") + missing + (missingCount > 10 ? ", ..." : "") +
                    " of " + NumberText(n) + (missingCount == 1 ? " is" : " are") + " missing";
        return out;
    }
    out.plan = PlanOfPart(first);
    out.descriptions = first.descriptions;
    for (int k = 1; k <= n; ++k) {
        const PosteriorPart& part = parts[static_cast<std::size_t>(owner[static_cast<std::size_t>(k)])].second;
        out.sums.insert(out.sums.end(), part.sums.begin(), part.sums.end());
        out.terms.insert(out.terms.end(), part.terms.begin(), part.terms.end());
        out.calls += part.calls;
    }
    return out;
}

}  // namespace corvane
