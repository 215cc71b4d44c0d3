#include "numeric/DateTimeName.h"

#include "numeric/FixedColumns.h"

namespace corvane {

std::string DateTimeName(std::string_view dateText, std::string_view timeText, std::string_view extension) {
    return Field(dateText, 1, 2) + Field(dateText, 4, 2) + Field(timeText, 1, 2) + Field(timeText, 4, 2) +
           std::string(extension);
}

}  // namespace corvane
