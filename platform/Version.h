#pragma once
#include <string>

namespace corvane {

// "corvane 0.3.0", followed by the commit when built from a git checkout
// ("corvane 0.3.0 (git 0123abcd45)"): what --version prints and the About
// window shows, so that a bug report names the build exactly.
std::string VersionText();

}  // namespace corvane
