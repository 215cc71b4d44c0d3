#include "plots/PlotNames.h"

namespace corvane {

std::string PlotSlug(const std::string& text) {
    std::string slug;
    bool gap = false;
    for (const char c : text) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        const bool upper = c >= 'A' && c <= 'Z';
        if (letter || upper) {
            if (gap && !slug.empty()) slug += '-';
            slug += upper ? static_cast<char>(c - 'A' + 'a') : c;
            gap = false;
        } else {
            gap = true;
        }
    }
    return slug.empty() ? "plot" : slug;
}

std::vector<XYFigure> FiguresOf(const XYPlotData& data) {
    if (!data.figures.empty()) {
        // A name becomes a file name: nothing in it may reach outside the directory.
        std::vector<XYFigure> figures = data.figures;
        for (auto& f : figures) f.name = PlotSlug(f.name.empty() ? data.page : f.name);
        return figures;
    }
    XYFigure figure;
    figure.name = PlotSlug(data.page);
    figure.x = 1;
    for (int v = 2; v <= static_cast<int>(data.variables.size()); ++v) figure.curves.push_back({v, XYMarks{}});
    return {figure};
}

namespace {

const char* KindName(DistributionKind kind) {
    switch (kind) {
    case DistributionKind::Confidence: return "profile";
    case DistributionKind::Posterior: return "posterior";
    case DistributionKind::Prior: return "prior";
    }
    return "profile";
}

const char* SeriesName(DistributionKind kind, int k) {
    switch (k) {
    case 1: return "likelihood";
    case 2:
        switch (kind) {
        case DistributionKind::Confidence: return "confidence";
        case DistributionKind::Posterior: return "posterior";
        case DistributionKind::Prior: return "prior";
        }
        break;
    case 3: return "ci-mode";
    case 4: return "ci-mean";
    case 5: return "cumulative";
    case 6: return "attenuated";
    case 7: return "gaussian";
    default: break;
    }
    return "series";
}

}  // namespace

std::string DistributionFileName(const DistributionPlotData& data, int k) {
    return std::string(KindName(data.kind)) + "-p" + std::to_string(data.parameter) + "-" + SeriesName(data.kind, k);
}

std::string BivariateFileName(const BivariatePlotData& data) {
    return "bivariate-p" + std::to_string(data.xParameter) + "-p" + std::to_string(data.yParameter);
}

std::vector<std::string> PlotFileNames(const PlotRequest& request) {
    std::vector<std::string> names;
    if (const auto* xy = std::get_if<XYPlotData>(&request)) {
        for (const auto& f : FiguresOf(*xy)) names.push_back(f.name);
    } else if (const auto* d = std::get_if<DistributionPlotData>(&request)) {
        for (int k = 1; k <= kDistributionSeries; ++k) names.push_back(DistributionFileName(*d, k));
    } else if (const auto* b = std::get_if<BivariatePlotData>(&request)) {
        names.push_back(BivariateFileName(*b));
    }
    return names;
}

FileRequest SavePictureRequest(const std::string& stem) {
    FileRequest request;
    request.save = true;
    request.title = "Save picture as...";
    request.filter = "PNG picture (*.png)|*.png|SVG picture (*.svg)|*.svg";
    request.selectedFilter = 1;
    request.initialName = PlotSlug(stem) + ".png";
    request.overwritePrompt = true;
    return request;
}

std::string PicturePath(const std::string& chosen) {
    auto endsWith = [&](const char* ext) {
        const std::string e = ext;
        if (chosen.size() < e.size()) return false;
        for (std::size_t i = 0; i < e.size(); ++i) {
            char c = chosen[chosen.size() - e.size() + i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != e[i]) return false;
        }
        return true;
    };
    return endsWith(".png") || endsWith(".svg") ? chosen : chosen + ".png";
}

}  // namespace corvane
