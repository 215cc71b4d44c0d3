#pragma once
// Fonts the windows share.
#include <QFont>

namespace corvane {

// The fixed-pitch font of text windows and reports, whose columns must line
// up: a monospace family asked for with a fixed-pitch style hint, checked
// against what the font system resolved it to.  When that is not fixed-pitch
// the platform's fixed font or the first installed fixed-pitch family is
// taken instead; with none installed the request stands.
QFont FixedPitchFont();

}  // namespace corvane
