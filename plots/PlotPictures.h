#pragma once
// The pictures a plot request makes when it is written to files rather than
// shown in a window: each a scene and its file name (PlotNames.h).
#include <string>
#include <vector>

#include "plots/PlotData.h"
#include "plots/PlotScene.h"

namespace corvane {

struct NamedScene {
    std::string name;
    PlotScene scene;
};

// A page: one picture per figure; distributions: one picture per series,
// drawn as lines; a bivariate density: one picture.
std::vector<NamedScene> PlotPictures(const PlotRequest& request);

}  // namespace corvane
