#include "plots/PlotPort.h"

namespace corvane {

PlotAnswer RecordingPlotPort::Show(const PlotRequest& request) {
    requests_.push_back(request);
    if (answers_.empty()) return PlotAnswer::Next;
    const PlotAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

}  // namespace corvane
