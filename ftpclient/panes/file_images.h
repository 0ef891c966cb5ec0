#pragma once

#include <QPixmap>

#include <array>

// The pictures both file lists use: the eight file-type icons and the two
// sort arrows (0 down, 1 up). Entries hold them jointly.
struct FileImages {
    FileImages();

    std::array<QPixmap, 8> Img_Icons;
    std::array<QPixmap, 2> Img_Arrow;
};
