#pragma once
// The pictures a plot request makes when it is written to files rather than
// shown in a window: each a scene and its file name (PlotNames.h).
#include <optional>
#include <string>
#include <vector>

#include "numeric/Csv.h"
#include "plots/PlotData.h"
#include "plots/PlotScene.h"

namespace corvane {

struct NamedScene {
    std::string name;
    PlotScene scene;
    // The numbers the picture plots, written beside it as NAME.csv: a header
    // naming the columns (the X variable, then each series by its title),
    // then one row per point, so that R's read.csv can redraw it.
    std::optional<CsvTable> table = std::nullopt;
};

// A page: one picture per figure; distributions: one picture per series,
// drawn as lines; a bivariate density: one picture (its table one row per
// grid cell: x, y and the density).
std::vector<NamedScene> PlotPictures(const PlotRequest& request);

}  // namespace corvane
