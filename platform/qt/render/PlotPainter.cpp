#include "platform/qt/render/PlotPainter.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

#include "platform/SafeFile.h"

namespace corvane {

namespace {

QColor ToQt(const Rgb& c) { return QColor(c.r, c.g, c.b); }
QString ToQt(const std::string& s) { return QString::fromStdString(s); }

QFont PlotFont(double pixels, bool bold = false, bool italic = false) {
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                   QStringLiteral("Helvetica")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

// Maps the logical frame onto the data rectangle (the plot rectangle, or a
// little inside it); a reference line that spans the frame reaches the
// drawn border.
struct Mapper {
    QRectF data;
    QRectF border;
    QPointF operator()(const Pt& p) const {
        return {data.left() + (p.x - frame::kLeft) / frame::kWidth * data.width(),
                data.top() + (p.y - frame::kTop) / frame::kHeight * data.height()};
    }
    // Only the coordinate along which the line runs from one edge to the
    // other is stretched: a Y = 0 line at the bottom of the range stays at
    // zero instead of sinking onto the border.
    QPointF ToBorder(const Pt& p, const Pt& other) const {
        QPointF q = (*this)(p);
        const bool acrossX = std::min(p.x, other.x) <= frame::kLeft && std::max(p.x, other.x) >= frame::kRight;
        const bool acrossY = std::min(p.y, other.y) <= frame::kTop && std::max(p.y, other.y) >= frame::kBottom;
        if (acrossX && p.x <= frame::kLeft) q.setX(border.left());
        if (acrossX && p.x >= frame::kRight) q.setX(border.right());
        if (acrossY && p.y <= frame::kTop) q.setY(border.top());
        if (acrossY && p.y >= frame::kBottom) q.setY(border.bottom());
        return q;
    }
};

QPen StrokePen(const Rgb& colour, Stroke stroke, double width) {
    QPen pen(ToQt(colour), width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::RoundJoin);
    switch (stroke) {
    case Stroke::Solid: break;
    case Stroke::Dashed: pen.setDashPattern({6.0, 4.0}); break;
    case Stroke::Dotted:
        pen.setDashPattern({1.5, 2.5});
        pen.setCapStyle(Qt::RoundCap);
        break;
    case Stroke::DashDot: pen.setDashPattern({8.0, 3.0, 1.5, 3.0}); break;
    }
    return pen;
}

// A text split into lines no wider than room: at blanks, and inside a word
// only when the word alone is wider.  Nothing is cut off.
QStringList Wrapped(const QString& text, const QFontMetricsF& fm, double room) {
    QStringList lines;
    if (fm.horizontalAdvance(text) <= room) return {text};
    QString current;
    auto flush = [&] {
        if (!current.isEmpty()) lines << current;
        current.clear();
    };
    for (const QString& word : text.split(QLatin1Char(' '), Qt::KeepEmptyParts)) {
        const QString joined = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
        if (fm.horizontalAdvance(joined) <= room) {
            current = joined;
            continue;
        }
        flush();
        QString rest = word;
        while (fm.horizontalAdvance(rest) > room && rest.size() > 1) {
            int n = rest.size() - 1;
            while (n > 1 && fm.horizontalAdvance(rest.left(n)) > room) --n;
            lines << rest.left(n);
            rest = rest.mid(n);
        }
        current = rest;
    }
    flush();
    return lines;
}

// The column beside the plot: legend, panel lines and notes.
struct ColumnMetrics {
    double width = 0.0;
    double height = 0.0;
};

struct ColumnFonts {
    QFont text, bold, italic;
    double u = 10.0;  // the column's font size in pixels
};

ColumnFonts MakeColumnFonts(double u) { return {PlotFont(u), PlotFont(u, true), PlotFont(u, false, true), u}; }

bool HasColumn(const PlotScene& s) {
    return !s.legend.empty() || !s.panel.empty() || !s.notes.empty() || !s.legendTitle.empty();
}

// Measures (paint = false) or paints the column at its top-left corner.
ColumnMetrics Column(QPainter& painter, const PlotScene& s, const ColumnFonts& f, QPointF at, double maxWidth,
                     std::vector<QRectF>* painted, std::vector<QString>* shownTexts = nullptr) {
    const bool paint = painted != nullptr;
    ColumnMetrics m;
    double y = at.y();
    const double u = f.u;
    const double sample = 2.2 * u;  // width of a legend sample
    // A text too wide for the column continues on further lines: a legend
    // entry or a parameter's description is never cut short.
    auto line = [&](const QString& text, const QFont& font, double indent = 0.0) {
        const QFontMetricsF fm(font, painter.device());
        const double room = std::max(10.0, maxWidth - indent);
        const double top = y;
        for (const QString& shown : Wrapped(text, fm, room)) {
            m.width = std::max(m.width, indent + fm.horizontalAdvance(shown));
            if (paint) {
                painter.setFont(font);
                painter.setPen(ToQt(kInkAxis));
                painter.drawText(QPointF(at.x() + indent, y + fm.ascent()), shown);
                painted->emplace_back(at.x() + indent, y, fm.horizontalAdvance(shown), fm.height());
                if (shownTexts) shownTexts->push_back(shown);
            }
            y += fm.lineSpacing();
        }
        return top;
    };
    auto gap = [&](double h) {
        if (y > at.y()) y += h;
    };

    if (!s.legendTitle.empty()) line(ToQt(s.legendTitle), f.bold);
    if (!s.legendTop.empty()) line(ToQt(s.legendTop), f.italic);
    for (const auto& e : s.legend) {
        const double top = line(ToQt(e.label), f.text, sample + 0.6 * u);
        if (!paint) continue;
        const QFontMetricsF fm(f.text, painter.device());
        const double mid = top + fm.lineSpacing() / 2.0;
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        if (e.swatch) {
            painter.setPen(QPen(ToQt(kInkGrid), 1.0));
            painter.setBrush(ToQt(e.colour));
            painter.drawRect(QRectF(at.x(), mid - 0.45 * u, sample, 0.9 * u));
        }
        if (e.line) {
            painter.setPen(StrokePen(e.colour, e.stroke, std::max(1.0, 0.16 * u * e.weight)));
            painter.drawLine(QPointF(at.x(), mid), QPointF(at.x() + sample, mid));
        }
        if (e.marker) {
            painter.setPen(QPen(ToQt(e.colour).darker(140), std::max(0.8, 0.06 * u)));
            painter.setBrush(ToQt(e.colour));
            painter.drawEllipse(QPointF(at.x() + sample / 2.0, mid), 0.28 * u, 0.28 * u);
        }
        painter.restore();
    }
    if (!s.legendBottom.empty()) line(ToQt(s.legendBottom), f.italic);
    if (!s.panel.empty()) {
        gap(0.8 * u);
        for (const auto& text : s.panel) {
            if (text.empty())
                y += 0.5 * u;
            else
                line(ToQt(text), f.text);
        }
    }
    if (!s.notes.empty()) {
        gap(0.8 * u);
        for (const auto& text : s.notes) line(ToQt(text), f.italic);
    }
    m.height = y - at.y();
    return m;
}

// The widest label of a list of ticks.
double WidestLabel(const std::vector<Tick>& ticks, const QFontMetricsF& fm) {
    double w = 0.0;
    for (const auto& t : ticks) w = std::max(w, fm.horizontalAdvance(ToQt(t.label)));
    return w;
}

}  // namespace

PlotLayout PaintPlot(QPainter& painter, const QRectF& area, const PlotScene& s) {
    PlotLayout layout;
    painter.save();
    painter.setClipRect(area);
    painter.fillRect(area, Qt::white);

    const double W = area.width(), H = area.height();
    const double u = std::clamp(std::min(W, H) / 50.0, 7.0, 24.0);
    layout.fontPixels = u;
    const double pad = 0.8 * u;
    const double tickLength = 0.45 * u;
    const QFont titleFont = PlotFont(1.3 * u, true);
    const QFont axisFont = PlotFont(1.05 * u);
    const QFont tickFont = PlotFont(0.92 * u);
    const QFont messageFont = PlotFont(u, false, true);
    const QFontMetricsF titleFm(titleFont, painter.device());
    const QFontMetricsF axisFm(axisFont, painter.device());
    const QFontMetricsF tickFm(tickFont, painter.device());

    // Title across the top.
    double top = area.top() + pad;
    if (!s.title.empty()) {
        const QString title = titleFm.elidedText(ToQt(s.title), Qt::ElideRight, W - 2 * pad);
        painter.setFont(titleFont);
        painter.setPen(ToQt(kInkAxis));
        const double w = titleFm.horizontalAdvance(title);
        const QRectF box(area.left() + (W - w) / 2.0, top, w, titleFm.height());
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, title);
        layout.texts.push_back(box);
        top += titleFm.height() + 0.9 * pad;
    }
    top += tickFm.lineSpacing() / 2.0;  // the top y label reaches above the frame

    // The column on the right: at most a third of the width, in a smaller font
    // when it would not fit the height.
    double columnWidth = 0.0;
    ColumnFonts columnFonts = MakeColumnFonts(0.92 * u);
    if (HasColumn(s)) {
        const double maxWidth = 0.32 * W;
        const double room = area.bottom() - pad - top;
        for (double cu = 0.92 * u; cu >= 5.0; cu *= 0.9) {
            columnFonts = MakeColumnFonts(cu);
            const ColumnMetrics m = Column(painter, s, columnFonts, QPointF(0, 0), maxWidth, nullptr);
            columnWidth = m.width;
            if (m.height <= room) break;
        }
        columnWidth = std::min(columnWidth, maxWidth);
    }

    // Plot area: room for the y title and tick labels on the left, the x
    // title and tick labels below, and half the widest x label on the right.
    const double lineH = axisFm.lineSpacing();
    const double right = area.right() - pad - (columnWidth > 0 ? columnWidth + 1.5 * pad : 0.0);
    const double bottomTitle = s.xTitle.empty() ? 0.0 : lineH + 0.4 * pad;
    const double xLabelGap = std::max(tickLength + 0.3 * u, tickFm.lineSpacing() / 2.0 + 0.3 * u);
    double bottom = area.bottom() - pad - bottomTitle - tickFm.lineSpacing() - xLabelGap;

    std::vector<Tick> yTicks, xTicks;
    double left = area.left() + pad + (s.yTitle.empty() ? 0.0 : lineH + 0.4 * pad);
    if (s.drawn) {
        const int yTarget = std::clamp(static_cast<int>((bottom - top) / (2.6 * tickFm.lineSpacing())), 2, 10);
        yTicks = NiceTicks(s.y, yTarget);
        left += WidestLabel(yTicks, tickFm) + tickLength + 0.4 * u;
    } else {
        left += 2 * u;
    }
    double plotRight = right;
    if (s.drawn) {
        // As many x ticks as fit with a gap of two characters between labels.
        for (int target = 10; target >= 2; --target) {
            xTicks = NiceTicks(s.x, target);
            const double widest = WidestLabel(xTicks, tickFm);
            plotRight = right - widest / 2.0;
            if (xTicks.size() <= 1 || (xTicks.size() * (widest + 1.5 * u)) <= plotRight - left) break;
        }
    }
    const QRectF plot(QPointF(left, top), QPointF(std::max(left + 1.0, plotRight), std::max(top + 1.0, bottom)));
    layout.plot = plot;
    const double insetX = s.inset ? 0.025 * plot.width() : 0.0, insetY = s.inset ? 0.025 * plot.height() : 0.0;
    const Mapper map{plot.adjusted(insetX, insetY, -insetX, -insetY), plot};

    // The data, clipped to the plot area.
    painter.save();
    painter.setClipRect(plot.adjusted(-1, -1, 1, 1), Qt::IntersectClip);
    if (s.drawn) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(Qt::NoPen);
        for (const auto& r : s.rects) {
            // Half a pixel of overlap: neighbouring cells leave no seams.
            QRectF cell = QRectF(map({r.x1, r.y1}), map({r.x2, r.y2})).normalized().adjusted(-0.5, -0.5, 0.5, 0.5);
            painter.fillRect(cell, ToQt(r.fill));
        }
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setBrush(Qt::NoBrush);
        const double lineWidth = std::max(1.0, 0.15 * u);
        for (const auto& l : s.lines) {
            if (l.points.size() < 2) continue;
            painter.setPen(StrokePen(l.colour, l.stroke, std::max(0.6, lineWidth * l.weight)));
            const Pt& first = l.points.front();
            const Pt& last = l.points.back();
            auto at = [&](std::size_t i) {
                if (!l.toFrame) return map(l.points[i]);
                return map.ToBorder(l.points[i], i == 0 ? last : first);
            };
            QPainterPath path(at(0));
            for (std::size_t i = 1; i < l.points.size(); ++i) path.lineTo(at(i));
            painter.drawPath(path);
        }
        const double radius = std::max(1.6, 0.26 * u);
        for (const auto& mk : s.markers) {
            painter.setPen(QPen(ToQt(mk.colour).darker(140), std::max(0.6, 0.05 * u)));
            painter.setBrush(ToQt(mk.colour));
            painter.drawEllipse(map(mk.at), radius, radius);
        }
        // Labels inside the plot sit on a white ground, kept inside the frame.
        const QFont labelFont = PlotFont(0.95 * u, true);
        const QFontMetricsF labelFm(labelFont, painter.device());
        painter.setFont(labelFont);
        for (const auto& lb : s.labels) {
            const QString text = ToQt(lb.text);
            const double w = labelFm.horizontalAdvance(text), h = labelFm.height();
            const QPointF c = map(lb.at);
            double x = std::clamp(c.x() - w / 2.0, plot.left() + 2.0, std::max(plot.left() + 2.0, plot.right() - w - 2.0));
            double y = lb.below ? c.y() + 0.25 * u : c.y() - h - 0.25 * u;
            if (y < plot.top() + 2.0) y = c.y() + 0.25 * u;
            if (y + h > plot.bottom() - 2.0) y = c.y() - h - 0.25 * u;
            const QRectF box(x - 0.2 * u, y, w + 0.4 * u, h);
            painter.fillRect(box, QColor(255, 255, 255, 225));
            painter.setPen(ToQt(lb.colour));
            painter.drawText(box, Qt::AlignCenter, text);
            layout.texts.push_back(box);
        }
    } else if (!s.message.empty()) {
        painter.setFont(messageFont);
        painter.setPen(ToQt(kInkReference));
        painter.drawText(plot.adjusted(u, u, -u, -u), Qt::AlignCenter | Qt::TextWordWrap, ToQt(s.message));
    }
    painter.restore();

    // Frame, ticks and their labels.
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    const QPen axisPen(ToQt(kInkAxis), std::max(1.0, 0.09 * u));
    painter.setPen(axisPen);
    painter.drawRect(plot);
    painter.setFont(tickFont);
    for (const auto& t : xTicks) {
        const double x = map({LogicalX(t.value, s.x), 0.0}).x();
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + tickLength));
        const double w = tickFm.horizontalAdvance(ToQt(t.label));
        painter.drawText(QPointF(x - w / 2.0, plot.bottom() + xLabelGap + tickFm.ascent()), ToQt(t.label));
        layout.texts.emplace_back(x - w / 2.0, plot.bottom() + xLabelGap, w, tickFm.height());
    }
    for (const auto& t : yTicks) {
        const double y = map({0.0, LogicalY(t.value, s.y)}).y();
        painter.drawLine(QPointF(plot.left() - tickLength, y), QPointF(plot.left(), y));
        const double w = tickFm.horizontalAdvance(ToQt(t.label));
        painter.drawText(QPointF(plot.left() - tickLength - 0.3 * u - w, y - tickFm.height() / 2.0 + tickFm.ascent()),
                         ToQt(t.label));
        layout.texts.emplace_back(plot.left() - tickLength - 0.3 * u - w, y - tickFm.height() / 2.0, w, tickFm.height());
    }

    // Axis titles.
    painter.setFont(axisFont);
    if (!s.xTitle.empty()) {
        const QString text = axisFm.elidedText(ToQt(s.xTitle), Qt::ElideRight, plot.width());
        const double y = plot.bottom() + xLabelGap + tickFm.lineSpacing() + 0.4 * pad;
        const double w = axisFm.horizontalAdvance(text);
        const QRectF box(plot.center().x() - w / 2.0, y, w, axisFm.height());
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
        layout.texts.push_back(box);
    }
    if (!s.yTitle.empty()) {
        const QString text = axisFm.elidedText(ToQt(s.yTitle), Qt::ElideRight, plot.height());
        painter.save();
        painter.translate(area.left() + pad, plot.center().y());
        painter.rotate(-90.0);
        painter.drawText(QRectF(-plot.height() / 2.0, 0.0, plot.height(), lineH), Qt::AlignHCenter | Qt::AlignTop,
                         text);
        painter.restore();
        const double w = axisFm.horizontalAdvance(text);
        layout.texts.emplace_back(area.left() + pad, plot.center().y() - w / 2.0, axisFm.height(), w);
    }

    // The column.
    if (columnWidth > 0.0) {
        const QPointF at(area.right() - pad - columnWidth, plot.top());
        const ColumnMetrics m = Column(painter, s, columnFonts, at, columnWidth, &layout.texts, &layout.columnLines);
        layout.column = QRectF(at, QSizeF(columnWidth, m.height));
    }
    painter.restore();
    return layout;
}

PictureFormat PictureFormatOf(const QString& path) {
    return QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0 ? PictureFormat::Svg
                                                                                              : PictureFormat::Png;
}

bool WritePicture(const PlotScene& scene, const QString& path, PictureFormat format, QSize size, QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    // Painted into memory first, then written as one whole file by the
    // program's safe writer.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QRectF area(QPointF(0, 0), QSizeF(size));
    if (format == PictureFormat::Png) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::TextAntialiasing, true);
            PaintPlot(painter, area, scene);
        }
        if (!image.save(&buffer, "PNG")) return fail(QStringLiteral("cannot write %1: the PNG encoder failed").arg(path));
    } else {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(area);
        svg.setTitle(QString::fromStdString(scene.title));
        svg.setDescription(QStringLiteral("Corvane plot"));
        QPainter painter;
        if (!painter.begin(&svg)) return fail(QStringLiteral("cannot write %1: the SVG generator failed").arg(path));
        PaintPlot(painter, area, scene);
        painter.end();
    }
    buffer.close();
    const WriteResult written =
        WriteFileSafely(path.toStdString(), std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!written)
        return fail(QStringLiteral("cannot write %1: %2").arg(path, QString::fromStdString(written.reason)));
    return true;
}

}  // namespace corvane
