#pragma once
// The port through which computations and dialogues show plots.  On the
// desktop every request opens its plot window modally and returns when the
// user closes it; the command line writes picture files instead; tests
// record the requests.
#include <deque>
#include <vector>

#include "plots/PlotData.h"

namespace corvane {

// How the user left a plot window.
enum class PlotAnswer {
    Next,  // "&Next Plot Page", "&Done", or the window closed: the caller goes on
    Quit,  // "&Quit plots": the caller shows no further pages of this run
};

class PlotPort {
public:
    virtual ~PlotPort() = default;
    // Shows one plot (a data-and-prediction page, the seven distribution
    // plots of a parameter, or a bivariate density) and returns once the
    // user has finished with it.
    virtual PlotAnswer Show(const PlotRequest& request) = 0;
};

// Keeps every request; answers Next unless a test queued other answers.
class RecordingPlotPort : public PlotPort {
public:
    PlotAnswer Show(const PlotRequest& request) override;

    const std::vector<PlotRequest>& Requests() const { return requests_; }
    void Clear() { requests_.clear(); }
    // Answers for the next Show calls, in order.
    void QueueAnswer(PlotAnswer answer) { answers_.push_back(answer); }

    // The requests of one kind, in order (XYPlotData, DistributionPlotData
    // or BivariatePlotData).
    template <class T>
    std::vector<T> Of() const {
        std::vector<T> found;
        for (const auto& r : requests_)
            if (const T* t = std::get_if<T>(&r)) found.push_back(*t);
        return found;
    }

private:
    std::vector<PlotRequest> requests_;
    std::deque<PlotAnswer> answers_;
};

}  // namespace corvane
