#include "DisplayColumns.h"

#include <QFontMetrics>
#include <QHash>
#include <algorithm>
#include <numeric>

namespace {

// Texts whose width is measured exactly: the widest of a column by the sum
// of their characters' advances at the list's own type.  Shaping every text
// at every size tried would cost seconds at 50,000 rows; the sum orders the
// texts as their shaped widths do but for kerning, a pixel or two, which the
// length of the shortlist covers.
constexpr qsizetype ShortlistLength = 16;

QStringList Shortlist(const QFontMetrics &metrics, const QStringList &texts)
{
    if (texts.size() <= ShortlistLength)
        return texts;
    QHash<char16_t, int> advances;
    std::vector<std::pair<int, qsizetype>> sums;
    sums.reserve(size_t(texts.size()));
    for (qsizetype i = 0; i < texts.size(); ++i) {
        int sum = 0;
        for (const QChar c : texts[i]) {
            auto at = advances.constFind(c.unicode());
            if (at == advances.constEnd())
                at = advances.insert(c.unicode(), metrics.horizontalAdvance(c));
            sum += *at;
        }
        sums.emplace_back(sum, i);
    }
    const auto last = sums.begin() + ShortlistLength;
    std::partial_sort(sums.begin(), last, sums.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QStringList out;
    for (auto at = sums.begin(); at != last; ++at)
        out << texts[at->second];
    return out;
}

int WidestText(const QFontMetrics &metrics, const QStringList &texts)
{
    int widest = 0;
    for (const QString &text : texts)
        widest = std::max(widest, metrics.horizontalAdvance(text));
    return widest;
}

}  // namespace

SpectatorColumnFit FitSpectatorColumns(const QFont &face, const std::vector<QStringList> &columns,
                                       const QStringList &captions, int padding, int available)
{
    QFont base = face;
    base.setPixelSize(SpectatorListPixels);
    const QFontMetrics baseMetrics(base);
    std::vector<QStringList> widest;
    for (const QStringList &texts : columns)
        widest.push_back(Shortlist(baseMetrics, texts));

    // One way of setting the list: true when it fits.
    SpectatorColumnFit fit;
    // The narrow face is chosen by its family: a stretch asked of a face is
    // measured narrower than it is painted.
    QFont narrowFace = face;
    narrowFace.setFamilies(QStringList{QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Nimbus Sans Narrow"),
                                       QStringLiteral("Liberation Sans Narrow")}
                           + face.families());
    const auto tryFit = [&](bool narrow, int pixels, bool wholeCaptions) {
        QFont font = narrow ? narrowFace : face;
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        std::vector<int> widths;
        for (size_t c = 0; c < widest.size(); ++c) {
            // An empty list shows its headings.
            const bool headed = wholeCaptions || widest[c].isEmpty();
            const QString caption = c < size_t(captions.size()) ? captions[qsizetype(c)] : QString();
            const int text = std::max(WidestText(metrics, widest[c]), headed ? metrics.horizontalAdvance(caption) : 0);
            widths.push_back(text + padding);
        }
        fit.font = font;
        fit.widths = widths;
        fit.wholeCaptions = wholeCaptions;
        fit.narrow = narrow;
        fit.fits = std::accumulate(widths.begin(), widths.end(), 0) <= available;
        return fit.fits;
    };
    // A list too wide even for the smallest, narrowest type needs no other
    // try.  Its captions then take what the other columns leave and are cut:
    // one racer's long name must not push every time out of sight.
    if (!tryFit(true, SpectatorMinimumPixels, false)) {
        if (!fit.widths.empty()) {
            const int others = std::accumulate(fit.widths.begin() + 1, fit.widths.end(), 0);
            fit.widths.front() = std::max(padding, available - others);
        }
        return fit;
    }
    // Larger type first, and at one size the headings whole before cut: the
    // spectators read the names, the headings matter less.
    for (const bool narrow : {false, true}) {
        for (int pixels = SpectatorListPixels; pixels >= SpectatorMinimumPixels; --pixels) {
            for (const bool wholeCaptions : {true, false}) {
                if (tryFit(narrow, pixels, wholeCaptions))
                    return fit;
            }
        }
    }
    return fit;  // not reached: the last try is the first one
}
