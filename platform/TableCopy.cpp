#include "platform/TableCopy.h"

namespace corvane {

std::string TabSeparated(const std::vector<std::vector<std::string>>& rows) {
    std::string text;
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) text += '\t';
            for (char ch : row[c]) text += ch == '\t' || ch == '\n' || ch == '\r' ? ' ' : ch;
        }
        text += '\n';
    }
    return text;
}

}  // namespace corvane
