#include "platform/Dialogs.h"

namespace corvane {

std::string ToString(Buttons buttons) {
    switch (buttons) {
        case Buttons::OK: return "OK";
        case Buttons::OKCancel: return "OK/Cancel";
        case Buttons::YesNo: return "Yes/No";
        case Buttons::YesNoCancel: return "Yes/No/Cancel";
    }
    return "?";
}

std::string ToString(Icon icon) {
    switch (icon) {
        case Icon::None: return "none";
        case Icon::Information: return "information";
        case Icon::Question: return "question";
        case Icon::Exclamation: return "exclamation";
        case Icon::Critical: return "critical";
        case Icon::InformationCritical: return "information+critical";
    }
    return "?";
}

std::string ToString(Answer answer) {
    switch (answer) {
        case Answer::OK: return "OK";
        case Answer::Cancel: return "Cancel";
        case Answer::Yes: return "Yes";
        case Answer::No: return "No";
    }
    return "?";
}

}  // namespace corvane
