#pragma once
// The fixed texts of the three information windows of the main window.
#include <string>

namespace corvane {

struct InformationText {
    std::string caption;
    std::string text;  // lines ended by CR LF
};

// "&Defaults etc.": default file names and values.
InformationText DefaultsText();
// "&Wisdom": advice on patient estimation.
InformationText WisdomText();
// "&About" / "&Credits".
InformationText CreditsText();

}  // namespace corvane
