#pragma once
// The priors editor's entry commands: one prompt dialogue per prior type,
// run on one parameter's row.  Toolkit-free; they talk only to Dialogs.
#include <string>
#include <vector>

#include "priors/PriorTable.h"

namespace corvane {

class Dialogs;

struct PriorEntryCommand {
    char code;
    const char* caption;  // menu caption in the editor, e.g. "&Gamma"
    const char* title;    // title of the command's prompts and messages
};

// The nine commands in the order of the editor's "&Edit prior distributions"
// menu: the five of "&Mean and SD", the three of "F&oot (mean) of a", then
// the uniform-unbounded default.
const std::vector<PriorEntryCommand>& PriorEntryCommands();
const PriorEntryCommand* FindPriorEntryCommand(char code);

// Runs the entry dialogue of a type for parameter number p on its row.
// True when accepted: the row then holds the new type and terms.  Cancel,
// a refusal or an answer that is not a number leaves the row unchanged.
bool RunPriorEntry(Dialogs& dialogs, char code, int parameter, PriorRow& row);

}  // namespace corvane
