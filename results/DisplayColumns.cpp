#include "DisplayColumns.h"

#include <QFontMetrics>
#include <algorithm>
#include <numeric>

namespace {

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
    SpectatorColumnFit fit;
    // Larger type first, and at one size the headings whole before cut: the
    // spectators read the names, the headings matter less.
    for (const QFont::Stretch stretch : {QFont::Unstretched, QFont::Condensed}) {
        for (int pixels = SpectatorListPixels; pixels >= SpectatorMinimumPixels; --pixels) {
            QFont font = face;
            font.setPixelSize(pixels);
            font.setStretch(stretch);
            const QFontMetrics metrics(font);
            for (const bool wholeCaptions : {true, false}) {
                std::vector<int> widths;
                for (size_t c = 0; c < columns.size(); ++c) {
                    // An empty list shows its headings.
                    const bool headed = wholeCaptions || columns[c].isEmpty();
                    const QString caption = c < size_t(captions.size()) ? captions[qsizetype(c)] : QString();
                    const int text = std::max(WidestText(metrics, columns[c]),
                                              headed ? metrics.horizontalAdvance(caption) : 0);
                    widths.push_back(text + padding);
                }
                fit.font = font;
                fit.widths = widths;
                fit.wholeCaptions = wholeCaptions;
                if (std::accumulate(widths.begin(), widths.end(), 0) <= available) {
                    fit.fits = true;
                    return fit;
                }
            }
        }
    }
    return fit;  // the smallest, narrowest type, contents only
}
