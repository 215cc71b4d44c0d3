#pragma once
// File names of plot pictures: they say what the picture shows, so a
// directory of plots can be read without opening them.
//
//   data-and-prediction page    each figure's own name (XYFigure::name,
//                               the page label when it has none), in the
//                               safe form of PlotSlug: lower case letters
//                               and digits, every other run as one "-"
//                               ("Increment data for 1" gives
//                               "increment-data-for-1", "increments-set1"
//                               stays as it is)
//   distribution plots          <kind>-p<parameter>-<series>, kind being
//                               "profile", "posterior" or "prior", series
//                               "likelihood", "confidence" | "posterior" |
//                               "prior", "ci-mode", "ci-mean", "cumulative",
//                               "attenuated", "gaussian"
//                               (e.g. "profile-p9-likelihood")
//   bivariate density           bivariate-p<x parameter>-p<y parameter>
//
// Each name is written as NAME.png and NAME.svg, with NAME.csv holding the
// numbers the picture plots.
#include <string>
#include <vector>

#include "platform/Dialogs.h"
#include "plots/PlotData.h"

namespace corvane {

// Lower case letters and digits; every run of anything else becomes one
// "-", none at either end.  Never empty ("plot" for a text with no letters).
std::string PlotSlug(const std::string& text);

// The figures a page's files show (its own, or the default one).
std::vector<XYFigure> FiguresOf(const XYPlotData& data);

// Name of distribution series k (1..7), e.g. "profile-p9-likelihood".
std::string DistributionFileName(const DistributionPlotData& data, int k);
std::string BivariateFileName(const BivariatePlotData& data);

// Every picture name a request produces, in drawing order.
std::vector<std::string> PlotFileNames(const PlotRequest& request);

// "Save picture as..." in a plot window: PNG or SVG, offered as stem.png.
FileRequest SavePictureRequest(const std::string& stem);
// The path the picture goes to: one without ".png" or ".svg" gets ".png".
std::string PicturePath(const std::string& chosen);

}  // namespace corvane
