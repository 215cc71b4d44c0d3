#pragma once
#include <string>

namespace corvane {

// Writes text to path through a temporary file beside it, so an existing
// file is only ever replaced by a complete new one (a full disk leaves the
// old file as it was).  False when it could not be written.
bool WriteTextFileSafely(const std::string& path, const std::string& text);

}  // namespace corvane
