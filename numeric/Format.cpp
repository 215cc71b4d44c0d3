#include "numeric/Format.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace corvane {

namespace {

struct Picture {
    std::string prefix;
    std::string suffix;
    int intZeros = 0;      // '0' placeholders before the point
    bool hasPoint = false;
    int fracZeros = 0;     // '0' placeholders after the point
    int fracHashes = 0;    // '#' placeholders after the point
    bool scientific = false;
    bool expAlwaysSign = false;
    int expDigits = 0;
    bool valid = false;
};

bool IsPlaceholder(char c) { return c == '0' || c == '#' || c == '.'; }

Picture Parse(std::string_view pic) {
    Picture p;
    std::size_t i = 0;
    while (i < pic.size() && !IsPlaceholder(pic[i])) p.prefix += pic[i++];
    if (i == pic.size()) return p;
    bool inFraction = false;
    for (; i < pic.size(); ++i) {
        const char c = pic[i];
        if (c == '.' && !inFraction) {
            p.hasPoint = true;
            inFraction = true;
        } else if (c == '0' || c == '#') {
            if (!inFraction) {
                if (c == '0') ++p.intZeros;
            } else if (c == '0') {
                ++p.fracZeros;
            } else {
                ++p.fracHashes;
            }
        } else if ((c == 'E' || c == 'e') && i + 1 < pic.size() && (pic[i + 1] == '+' || pic[i + 1] == '-')) {
            std::size_t j = i + 2;
            int digits = 0;
            while (j < pic.size() && (pic[j] == '0' || pic[j] == '#')) {
                if (pic[j] == '0') ++digits;
                ++j;
            }
            if (j == i + 2) break;  // "E+" without digits is literal text
            p.scientific = true;
            p.expAlwaysSign = pic[i + 1] == '+';
            p.expDigits = digits;
            i = j;
            break;
        } else {
            break;
        }
    }
    p.suffix = std::string(pic.substr(i));
    p.valid = true;
    return p;
}

// Removes trailing zeros of a fraction beyond the always-shown ones.
void TrimFraction(std::string& fraction, int keep) {
    while (static_cast<int>(fraction.size()) > keep && fraction.back() == '0') fraction.pop_back();
}

std::string PadIntegerDigits(std::string digits, int minDigits) {
    if (digits == "0" && minDigits == 0) return "";
    while (static_cast<int>(digits.size()) < minDigits) digits.insert(digits.begin(), '0');
    return digits;
}

// The mantissa (intDigits before the point, decimals after it, trailing
// optional zeros trimmed) and the exponent of a scientific picture.
std::string ScientificBody(double magnitude, int intDigits, int decimals, const Picture& p) {
    char buffer[512];
    std::string digits;
    int exponent = 0;
    if (magnitude > 0.0) {
        std::snprintf(buffer, sizeof buffer, "%.*e", intDigits - 1 + decimals, magnitude);
        const std::string text = buffer;
        const std::size_t e = text.find('e');
        for (std::size_t i = 0; i < e; ++i)
            if (text[i] != '.') digits += text[i];
        exponent = std::atoi(text.c_str() + e + 1) - (intDigits - 1);
    } else {
        digits.assign(static_cast<std::size_t>(intDigits + decimals), '0');
    }
    std::string whole = digits.substr(0, static_cast<std::size_t>(intDigits));
    std::string fraction = digits.substr(static_cast<std::size_t>(intDigits));
    // A zero keeps a single integer digit unless the picture asks for more.
    if (magnitude == 0.0) whole = "0";
    TrimFraction(fraction, p.fracZeros);
    std::string body = PadIntegerDigits(whole, p.intZeros);
    if (p.hasPoint) body += "." + fraction;
    std::string exp = std::to_string(std::abs(exponent));
    while (static_cast<int>(exp.size()) < p.expDigits) exp.insert(exp.begin(), '0');
    body += "E";
    if (exponent < 0)
        body += "-";
    else if (p.expAlwaysSign)
        body += "+";
    return body + exp;
}

}  // namespace

std::string Format(double value, std::string_view picture) {
    const Picture p = Parse(picture);
    if (!p.valid) return std::string(picture);
    if (std::isnan(value)) return p.prefix + "NaN" + p.suffix;
    if (std::isinf(value)) return (value < 0 ? "-" : "") + p.prefix + "Infinity" + p.suffix;

    const bool negative = value < 0.0;
    const double magnitude = std::fabs(value);
    const int decimals = p.fracZeros + p.fracHashes;
    char buffer[512];
    std::string body;
    bool allZero = true;

    if (!p.scientific) {
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals, magnitude);
        std::string text = buffer;
        const std::size_t point = text.find('.');
        std::string intDigits = point == std::string::npos ? text : text.substr(0, point);
        std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
        for (char c : text)
            if (c >= '1' && c <= '9') allZero = false;
        TrimFraction(fraction, p.fracZeros);
        body = PadIntegerDigits(intDigits, p.intZeros);
        if (p.hasPoint) body += "." + fraction;
    } else {
        // Mantissa with as many integer digits as the picture has before the
        // point.  The digits come from one decimal conversion of the value
        // itself, so neither a carry nor a value below the smallest normal
        // double can upset the exponent.
        const int intDigits = p.intZeros > 0 ? p.intZeros : 1;
        // A picture such as "0.0000000E+00" is one character wider with a
        // minus sign and no wider: fixed-column files rely on it.  An exponent
        // longer than the picture allows takes its room from the last decimals,
        // so the text still reads back as the same number.
        const std::size_t widest = picture.size() + 1;
        for (int shown = decimals;; --shown) {
            body = ScientificBody(magnitude, intDigits, shown, p);
            if (magnitude > 0.0) allZero = false;
            if (shown == 0 || (negative ? 1 : 0) + p.prefix.size() + body.size() + p.suffix.size() <= widest) break;
        }
    }
    // A value that rounds to zero is shown without a sign.
    return (negative && !allZero ? "-" : "") + p.prefix + body + p.suffix;
}

std::string RightJustify(std::string_view text, int width) {
    if (width <= 0) return "";
    const auto w = static_cast<std::size_t>(width);
    if (text.size() >= w) return std::string(text.substr(0, w));
    return std::string(w - text.size(), ' ') + std::string(text);
}

std::string NumberText(double value) {
    if (value == 0.0) return "0";
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text = buffer;
    const std::size_t e = text.find('E');
    if (e == std::string::npos) return text;
    // "1.5E-005" style exponents are written with at least two digits.
    std::string mantissa = text.substr(0, e);
    const char sign = text[e + 1];
    std::string digits = text.substr(e + 2);
    while (digits.size() > 2 && digits[0] == '0') digits.erase(digits.begin());
    return mantissa + "E" + sign + digits;
}

std::string NumberText(long long value) { return std::to_string(value); }

std::string Trim(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && (text[first] == ' ' || text[first] == '\t')) ++first;
    std::size_t last = text.size();
    while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
    return std::string(text.substr(first, last - first));
}

std::string ToUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string AfterLastSeparator(std::string_view path) {
    const std::size_t pos = path.find_last_of("/\\");
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

}  // namespace corvane
