#include "platform/Version.h"

#include "corvane_version.h"

namespace corvane {

std::string VersionText() {
    std::string text = "corvane " CORVANE_VERSION;
    const std::string commit = CORVANE_COMMIT;
    if (!commit.empty()) text += " (git " + commit + ")";
    return text;
}

}  // namespace corvane
