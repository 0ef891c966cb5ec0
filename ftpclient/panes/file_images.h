#pragma once

#include <QPixmap>

#include <array>
#include <vector>

// The pictures both file lists use: the eight file-type icons and the two
// sort arrows (0 down, 1 up). Entries hold them jointly.
struct FileImages {
    FileImages();

    std::array<QPixmap, 8> Img_Icons;
    std::array<QPixmap, 2> Img_Arrow;
    // The icons in their order, as the list takes them by index.
    std::vector<QPixmap> icons() const { return {Img_Icons.begin(), Img_Icons.end()}; }
};
