#pragma once
// "Res&ults Summary": the model evaluated once at the current values, then
// asked for its report.
namespace corvane {

class Workbench;

// MODEL with NF = 1 at the algorithm data's values (which makes them the
// model's best fit), with the activity text shown meanwhile, then MODEL with
// NF = -1, which writes the model's report.
void ModelSummaryCommand(Workbench& wb);

}  // namespace corvane
