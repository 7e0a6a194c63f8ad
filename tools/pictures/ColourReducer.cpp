#include "ColourReducer.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <vector>

namespace tarnwick {

namespace {

struct WeightedColour {
    std::array<int, 4> channels {}; // red, green, blue, alpha (not premultiplied)
    std::int64_t count = 0;
};

using Box = std::vector<WeightedColour>;

std::array<int, 4> channelsOf(QRgb rgb)
{
    return { qRed(rgb), qGreen(rgb), qBlue(rgb), qAlpha(rgb) };
}

// The channel that spreads widest in the box, and how wide.
std::pair<int, int> widestChannel(const Box& box)
{
    int bestChannel = 0;
    int bestRange = -1;
    for (int channel = 0; channel < 4; ++channel) {
        int low = 255;
        int high = 0;
        for (const WeightedColour& colour : box) {
            low = std::min(low, colour.channels[static_cast<std::size_t>(channel)]);
            high = std::max(high, colour.channels[static_cast<std::size_t>(channel)]);
        }
        if (high - low > bestRange) {
            bestRange = high - low;
            bestChannel = channel;
        }
    }
    return { bestChannel, bestRange };
}

std::int64_t pixelsIn(const Box& box)
{
    std::int64_t total = 0;
    for (const WeightedColour& colour : box) {
        total += colour.count;
    }
    return total;
}

QRgb averageOf(const Box& box)
{
    std::array<std::int64_t, 4> sums {};
    std::int64_t total = 0;
    for (const WeightedColour& colour : box) {
        for (std::size_t channel = 0; channel < 4; ++channel) {
            sums[channel] += colour.channels[channel] * colour.count;
        }
        total += colour.count;
    }
    const auto mean = [&](std::size_t channel) {
        return static_cast<int>((sums[channel] + total / 2) / total);
    };
    return qRgba(mean(0), mean(1), mean(2), mean(3));
}

} // namespace

QList<QRgb> ColourReducer::palette(const QList<QImage>& images, int maxColours)
{
    QHash<QRgb, std::int64_t> counts;
    bool anyTransparent = false;
    for (const QImage& image : images) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            for (int x = 0; x < argb.width(); ++x) {
                if (qAlpha(line[x]) == 0) {
                    anyTransparent = true;
                } else {
                    ++counts[line[x]];
                }
            }
        }
    }

    QList<QRgb> result;
    if (anyTransparent) {
        result.append(qRgba(0, 0, 0, 0));
    }
    const int boxesWanted = maxColours - static_cast<int>(result.size());
    if (counts.isEmpty() || boxesWanted <= 0) {
        return result;
    }

    // QHash order changes from run to run; sorting keeps the palette, and so
    // the build's output, the same every time.
    QList<QRgb> colours = counts.keys();
    std::sort(colours.begin(), colours.end());
    std::vector<Box> boxes(1);
    for (const QRgb colour : colours) {
        boxes.front().push_back({ channelsOf(colour), counts.value(colour) });
    }

    while (static_cast<int>(boxes.size()) < boxesWanted) {
        // Split where the error is largest: wide boxes that cover many pixels.
        std::size_t worst = 0;
        double worstScore = 0.0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].size() < 2) {
                continue;
            }
            const double range = widestChannel(boxes[i]).second;
            const double score = range * range * static_cast<double>(pixelsIn(boxes[i]));
            if (score > worstScore) {
                worstScore = score;
                worst = i;
            }
        }
        if (worstScore <= 0.0) {
            break; // every box holds a single colour
        }

        Box& box = boxes[worst];
        const auto channel = static_cast<std::size_t>(widestChannel(box).first);
        std::stable_sort(box.begin(), box.end(), [channel](const auto& a, const auto& b) {
            return a.channels[channel] < b.channels[channel];
        });
        const std::int64_t half = pixelsIn(box) / 2;
        std::int64_t seen = 0;
        std::size_t cut = 1;
        for (; cut < box.size() - 1; ++cut) {
            seen += box[cut - 1].count;
            if (seen >= half) {
                break;
            }
        }
        Box upper(box.begin() + static_cast<std::ptrdiff_t>(cut), box.end());
        box.erase(box.begin() + static_cast<std::ptrdiff_t>(cut), box.end());
        boxes.push_back(std::move(upper));
    }

    for (const Box& box : boxes) {
        const QRgb average = averageOf(box);
        if (!result.contains(average)) {
            result.append(average);
        }
    }
    return result;
}

QImage ColourReducer::toIndexed(const QImage& image, const QList<QRgb>& palette)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QImage indexed(argb.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);

    QHash<QRgb, int> nearest;
    const auto lookUp = [&](QRgb rgb) {
        if (qAlpha(rgb) == 0) {
            rgb = qRgba(0, 0, 0, 0);
        }
        if (const auto it = nearest.constFind(rgb); it != nearest.cend()) {
            return it.value();
        }
        const std::array<int, 4> wanted = channelsOf(rgb);
        int best = 0;
        int bestDistance = std::numeric_limits<int>::max();
        for (int i = 0; i < palette.size(); ++i) {
            const std::array<int, 4> entry = channelsOf(palette[i]);
            int distance = 0;
            for (std::size_t channel = 0; channel < 4; ++channel) {
                const int delta = entry[channel] - wanted[channel];
                // Alpha counts double: a wrong edge shows more than a wrong shade.
                distance += delta * delta * (channel == 3 ? 2 : 1);
            }
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        nearest.insert(rgb, best);
        return best;
    };

    for (int y = 0; y < argb.height(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* target = indexed.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            target[x] = static_cast<uchar>(lookUp(source[x]));
        }
    }
    return indexed;
}

} // namespace tarnwick
