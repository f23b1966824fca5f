// Where a multi-line button caption starts: the lines are estimated from the widths of the pieces
// between line feeds, and the estimated block is centred vertically.
#pragma once

#include <vector>

// `pieceWidths`: the measured width of each piece before a line feed (the piece after the last
// line feed is not measured and counts as one line). A piece wider than the rectangle adds the
// lines it wraps onto.
inline int EstimateLineCount(const std::vector<int>& pieceWidths, int rectWidth) {
    int lines = 1;
    for (int width : pieceWidths)
        lines += 1 + (rectWidth > 0 ? width / rectWidth : 0);
    return lines;
}

// The top of the text block in a rectangle `rectHeight` high.
inline int CentredTextTop(int rectTop, int rectHeight, int lines, int lineHeight) {
    return rectTop + (rectHeight - lines * lineHeight) / 2;
}
